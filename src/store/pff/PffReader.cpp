#include "store/pff/PffReader.h"

#include <libpff.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QString>
#include <vector>

namespace store::pff {
namespace {

using wire::Field;
using wire::Frame;

// Properties read by their MAPI tags (libpff names only some of them).
constexpr std::uint32_t kMessageClass = 0x001a;
constexpr std::uint32_t kSubject = 0x0037;
constexpr std::uint32_t kSentRepresentingName = 0x0042;
constexpr std::uint32_t kSentRepresentingAddress = 0x0065;
constexpr std::uint32_t kTransportHeaders = 0x007d;
constexpr std::uint32_t kSenderName = 0x0c1a;
constexpr std::uint32_t kSenderAddress = 0x0c1f;
constexpr std::uint32_t kRecipientType = 0x0c15;
constexpr std::uint32_t kDisplayBcc = 0x0e02;
constexpr std::uint32_t kDisplayCc = 0x0e03;
constexpr std::uint32_t kDisplayTo = 0x0e04;
constexpr std::uint32_t kMessageId = 0x1035;
constexpr std::uint32_t kDisplayName = 0x3001;
constexpr std::uint32_t kEmailAddress = 0x3003;
constexpr std::uint32_t kSmtpAddress = 0x39fe;
constexpr std::uint32_t kInternetCodepage = 0x3fde;
constexpr std::uint32_t kMessageCodepage = 0x3ffd;
constexpr std::uint32_t kSenderSmtpAddress = 0x5d01;

// Whether an item of this message class is mail to export: notes (mail), posts, meeting
// messages and delivery reports; contacts, appointments, tasks, notes and journal entries are not.
bool IsMailClass(const std::string& messageClass) {
  const QString name = QString::fromStdString(messageClass);
  auto is = [&](const char* prefix) {
    const QString p = QLatin1String(prefix);
    return name.compare(p, Qt::CaseInsensitive) == 0 ||
           name.startsWith(p + QLatin1Char('.'), Qt::CaseInsensitive);
  };
  return name.isEmpty() || name.compare(QLatin1String("IPM"), Qt::CaseInsensitive) == 0 ||
         is("IPM.Note") || is("IPM.Post") || is("IPM.Schedule.Meeting") ||
         is("IPM.Outlook.Recall") || name.startsWith(QLatin1String("REPORT."), Qt::CaseInsensitive);
}

Frame Failed(const std::string& reason) { return {"failed", reason}; }

// Frees an item of the file when it goes.
struct Held {
  libpff_item_t* item = nullptr;
  Held() = default;
  explicit Held(libpff_item_t* i) : item(i) {}
  Held(Held&& other) noexcept : item(std::exchange(other.item, nullptr)) {}
  Held& operator=(Held&& other) noexcept {
    std::swap(item, other.item);
    return *this;
  }
  ~Held() {
    if (item) libpff_item_free(&item, nullptr);
  }
};

std::string FolderName(libpff_item_t* folder) {
  libpff_error_t* error = nullptr;
  size_t size = 0;
  if (libpff_folder_get_utf8_name_size(folder, &size, &error) != 1 || size == 0) {
    libpff_error_free(&error);
    return {};
  }
  std::vector<uint8_t> name(size);
  if (libpff_folder_get_utf8_name(folder, name.data(), size, &error) != 1) {
    libpff_error_free(&error);
    return {};
  }
  return std::string(reinterpret_cast<const char*>(name.data()), size - 1);
}

// The folder at `place`, from the file's root.
Held FolderAt(PffFile& file, const Field& place) {
  Held folder;
  libpff_error_t* error = nullptr;
  if (libpff_file_get_root_folder(file.handle(), &folder.item, &error) != 1 || !folder.item) {
    throw file.Failure(file.path() + " has no readable folders", error);
  }
  for (int index : wire::NumbersOf(place)) {
    Held sub;
    if (libpff_folder_get_sub_folder(folder.item, index, &sub.item, &error) != 1 || !sub.item) {
      throw file.Failure("the folder could not be read", error);
    }
    folder = std::move(sub);
  }
  return folder;
}

using BodySize = int (*)(libpff_item_t*, size_t*, libpff_error_t**);
using BodyRead = int (*)(libpff_item_t*, uint8_t*, size_t, libpff_error_t**);

// A body's bytes, without the end-of-string byte libpff adds; nothing when there is none.
Field Body(libpff_item_t* message, BodySize size, BodyRead read) {
  libpff_error_t* error = nullptr;
  size_t length = 0;
  if (size(message, &length, &error) != 1 || length == 0) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(length);
  if (read(message, bytes.data(), length, &error) != 1) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  std::string text(reinterpret_cast<const char*>(bytes.data()), length);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// An entry of a record set, freed when it goes.
struct Entry {
  libpff_record_entry_t* entry = nullptr;
  ~Entry() {
    if (entry) libpff_record_entry_free(&entry, nullptr);
  }
};

std::optional<std::uint32_t> SetNumber(libpff_record_set_t* set, std::uint32_t entryType) {
  constexpr uint32_t kInteger32 = 0x0003;
  libpff_error_t* error = nullptr;
  Entry entry;
  std::optional<std::uint32_t> number;
  uint32_t value = 0;
  if (libpff_record_set_get_entry_by_type(set, entryType, kInteger32, &entry.entry, 0, &error) ==
          1 &&
      libpff_record_entry_get_data_as_32bit_integer(entry.entry, &value, &error) == 1) {
    number = value;
  }
  libpff_error_free(&error);
  return number;
}

Field SetText(libpff_record_set_t* set, std::uint32_t entryType) {
  libpff_error_t* error = nullptr;
  Entry entry;
  size_t size = 0;
  Field text;
  if (libpff_record_set_get_entry_by_type(set, entryType, 0, &entry.entry,
                                          LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE,
                                          &error) == 1 &&
      libpff_record_entry_get_data_as_utf8_string_size(entry.entry, &size, &error) == 1 &&
      size > 0) {
    std::vector<uint8_t> bytes(size);
    if (libpff_record_entry_get_data_as_utf8_string(entry.entry, bytes.data(), size, &error) == 1)
      text.emplace(reinterpret_cast<const char*>(bytes.data()), size - 1);
  }
  libpff_error_free(&error);
  return text;
}

std::optional<std::uint32_t> Number(libpff_item_t* item, std::uint32_t entryType) {
  libpff_error_t* error = nullptr;
  libpff_record_set_t* set = nullptr;
  std::optional<std::uint32_t> number;
  if (libpff_item_get_record_set_by_index(item, 0, &set, &error) == 1)
    number = SetNumber(set, entryType);
  libpff_error_free(&error);
  if (set) libpff_record_set_free(&set, nullptr);
  return number;
}

// "Name <address>", the address alone when the name is none or the address itself, the name
// alone when there is no address, or only a directory's name for it (no "@").
std::string Mailbox(const Field& name, const Field& address) {
  const bool named = name && !name->empty();
  if (!address || address->empty() || (named && address->find('@') == std::string::npos))
    return named ? *name : std::string();
  if (!named || *name == *address) return *address;
  return *name + " <" + *address + ">";
}

// The recipients from the message's recipient table, To, then Cc, then Bcc, each "Name
// <address>", joined by "; "; nothing when the table cannot be read.
Field RecipientTable(libpff_item_t* message) {
  Held table;
  libpff_error_t* error = nullptr;
  int sets = 0;
  if (libpff_message_get_recipients(message, &table.item, &error) != 1 || !table.item ||
      libpff_item_get_number_of_record_sets(table.item, &sets, &error) != 1) {
    libpff_error_free(&error);
    return std::nullopt;
  }
  std::vector<std::string> byType[3];
  for (int i = 0; i < sets; ++i) {
    libpff_record_set_t* set = nullptr;
    if (libpff_item_get_record_set_by_index(table.item, i, &set, &error) != 1) {
      libpff_error_free(&error);
      continue;
    }
    Field address = SetText(set, kSmtpAddress);
    if (!address) address = SetText(set, kEmailAddress);
    const std::string mailbox = Mailbox(SetText(set, kDisplayName), address);
    const std::uint32_t type = SetNumber(set, kRecipientType).value_or(1) & 0x0f;
    if (!mailbox.empty() && type >= 1 && type <= 3) byType[type - 1].push_back(mailbox);
    libpff_record_set_free(&set, nullptr);
  }
  std::string joined;
  for (const auto& mailboxes : byType) {
    for (const std::string& mailbox : mailboxes) joined += (joined.empty() ? "" : "; ") + mailbox;
  }
  if (joined.empty()) return std::nullopt;
  return joined;
}

Field Time(libpff_item_t* message, int (*read)(libpff_item_t*, uint64_t*, libpff_error_t**)) {
  uint64_t filetime = 0;
  libpff_error_t* error = nullptr;
  if (read(message, &filetime, &error) == 1 && filetime != 0)
    return wire::Number(static_cast<long long>(filetime));
  libpff_error_free(&error);
  return std::nullopt;
}

Frame ReadMessage(PffFile& file, libpff_item_t* folder, int index) {
  Held message;
  libpff_error_t* error = nullptr;
  if (libpff_folder_get_sub_message(folder, index, &message.item, &error) != 1 || !message.item) {
    return Failed(file.Failure("the message could not be read", error).what());
  }
  libpff_item_t* item = message.item;
  auto text = [item](std::uint32_t entryType) { return ItemText(item, entryType); };
  Frame frame(1 + wire::kMessageFields);
  frame[0] = "ok";
  auto field = [&frame](wire::MessageField which) -> Field& { return frame[1 + which]; };
  field(wire::kHeadersField) = text(kTransportHeaders);
  field(wire::kMessageIdField) = text(kMessageId);
  field(wire::kSubjectField) = text(kSubject);
  Field name = text(kSenderName);
  if (!name) name = text(kSentRepresentingName);
  Field address = text(kSenderSmtpAddress);
  if (!address) address = text(kSenderAddress);
  if (!address) address = text(kSentRepresentingAddress);
  if (name || address) field(wire::kSenderField) = Mailbox(name, address);
  field(wire::kRecipientsField) = RecipientTable(item);
  if (!field(wire::kRecipientsField)) {
    // Without a readable table, the names the message shows.
    std::string names;
    for (std::uint32_t list : {kDisplayTo, kDisplayCc, kDisplayBcc}) {
      const std::string shown = text(list).value_or("");
      if (!shown.empty()) names += (names.empty() ? "" : "; ") + shown;
    }
    field(wire::kRecipientsField) = names;
  }
  field(wire::kDeliveryTime) = Time(item, libpff_message_get_delivery_time);
  field(wire::kSubmitTime) = Time(item, libpff_message_get_client_submit_time);
  field(wire::kPlainBody) =
      Body(item, libpff_message_get_plain_text_body_size, libpff_message_get_plain_text_body);
  const bool plain = field(wire::kPlainBody) && !field(wire::kPlainBody)->empty();
  if (!plain) {
    field(wire::kHtmlBody) =
        Body(item, libpff_message_get_html_body_size, libpff_message_get_html_body);
    auto codePage = Number(item, kInternetCodepage);
    if (!codePage) codePage = Number(item, kMessageCodepage);
    if (codePage) field(wire::kHtmlCodePage) = wire::Number(*codePage);
  }
  if (!plain && (!field(wire::kHtmlBody) || field(wire::kHtmlBody)->empty())) {
    field(wire::kRtfBody) =
        Body(item, libpff_message_get_rtf_body_size, libpff_message_get_rtf_body);
    if (auto codePage = Number(item, kMessageCodepage))
      field(wire::kRtfCodePage) = wire::Number(*codePage);
  }
  return frame;
}

Frame Folders(PffFile& file, const Field& place) {
  Held folder = FolderAt(file, place);
  int count = 0;
  libpff_error_t* error = nullptr;
  if (libpff_folder_get_number_of_sub_folders(folder.item, &count, &error) != 1) {
    throw file.Failure("the folder's folders could not be listed", error);
  }
  Frame frame{"ok"};
  for (int i = 0; i < count; ++i) {
    Held sub;
    if (libpff_folder_get_sub_folder(folder.item, i, &sub.item, &error) != 1 || !sub.item) {
      frame.push_back("");
      const std::string place = "folder " + std::to_string(i + 1) + " (unreadable)";
      frame.push_back(file.Failure(place + " could not be read", error).what());
      continue;
    }
    frame.push_back(FolderName(sub.item));
    frame.push_back(std::nullopt);
  }
  return frame;
}

Frame Mail(PffFile& file, const Field& place) {
  Held folder = FolderAt(file, place);
  int count = 0;
  libpff_error_t* error = nullptr;
  if (libpff_folder_get_number_of_sub_messages(folder.item, &count, &error) != 1) {
    throw file.Failure("the folder's messages could not be listed", error);
  }
  std::vector<int> indexes;
  for (int i = 0; i < count; ++i) {
    Held item;
    if (libpff_folder_get_sub_message(folder.item, i, &item.item, &error) != 1 || !item.item) {
      // Listed all the same: its turn in the export says that it could not be read.
      libpff_error_free(&error);
      indexes.push_back(i);
      continue;
    }
    if (IsMailClass(ItemText(item.item, kMessageClass).value_or(""))) indexes.push_back(i);
  }
  return {"ok", wire::Numbers(indexes)};
}

Frame StoreName(PffFile& file) {
  Held store;
  libpff_error_t* error = nullptr;
  Frame frame{"ok", std::nullopt};
  if (libpff_file_get_message_store(file.handle(), &store.item, &error) == 1 && store.item)
    frame[1] = ItemText(store.item, kDisplayName);
  libpff_error_free(&error);
  return frame;
}

}  // namespace

void FileReader::Answer(const Frame& request,
                        const std::function<void(const wire::Frame&)>& reply) {
  const std::string verb = request.empty() ? "" : request[0].value_or("");
  const Field place = request.size() > 1 ? request[1] : std::nullopt;
  try {
    if (verb == "store") return reply(StoreName(*file_));
    if (verb == "folders") return reply(Folders(*file_, place));
    if (verb == "mail") return reply(Mail(*file_, place));
    if (verb == "read" && request.size() > 2) {
      const std::vector<int> indexes = wire::NumbersOf(request[2]);
      Held folder;
      try {
        folder = FolderAt(*file_, place);
      } catch (const Error& error) {
        // Each message is still answered for, so the count stays honest.
        for (std::size_t i = 0; i < indexes.size(); ++i) reply(Failed(error.what()));
        return;
      }
      for (int index : indexes) reply(ReadMessage(*file_, folder.item, index));
      return;
    }
    reply(Failed("the reader was asked for something it does not do"));
  } catch (const Error& error) {
    reply(Failed(error.what()));
  }
}

int ServeReader(const std::string& path, int fd) {
  // Whatever a library might print goes to the error output, never into the socket.
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  // Ctrl-C in the terminal is the export's to answer, after its record; and a reader whose
  // program is gone, even one stuck in libpff, goes too.
  ::signal(SIGINT, SIG_IGN);
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::unique_ptr<FileReader> reader;
  try {
    reader = std::make_unique<FileReader>(path);
  } catch (const Error& error) {
    wire::Send(fd, Failed(error.what()));
    return 1;
  }
  if (!wire::Send(fd, {"ok"})) return 1;
  wire::Trouble trouble;
  while (auto request = wire::Receive(fd, std::chrono::milliseconds(-1), trouble)) {
    bool sent = true;
    reader->Answer(*request, [&](const Frame& frame) { sent = sent && wire::Send(fd, frame); });
    if (!sent) return 1;
  }
  return trouble == wire::Trouble::Closed ? 0 : 1;
}

}  // namespace store::pff
