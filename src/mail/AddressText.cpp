#include "mail/AddressText.h"

#include "mail/Charset.h"

namespace mail {
namespace {

std::string Utf8(const char* text) {
  if (!text) return {};
  std::string_view view(text);
  return IsUtf8(view) ? std::string(view) : DecodeUnlabelled(view);
}

std::string MailboxText(InternetAddress* address) {
  std::string name = Utf8(internet_address_get_name(address));
  std::string addr = Utf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
  if (name.empty()) return addr;
  if (addr.empty()) return name;
  return name + " <" + addr + ">";
}

}  // namespace

void AppendMailboxes(InternetAddressList* list, std::vector<std::string>& mailboxes) {
  if (!list) return;
  const int count = internet_address_list_length(list);
  for (int i = 0; i < count; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_GROUP(address)) {
      AppendMailboxes(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)),
                      mailboxes);
    } else if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
      std::string text = MailboxText(address);
      if (!text.empty()) mailboxes.push_back(std::move(text));
    }
  }
}

}  // namespace mail
