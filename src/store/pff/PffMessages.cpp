#include "store/pff/PffMessages.h"

#include <libpff.h>

#include <QString>

#include "store/pff/PffMessage.h"

namespace store::pff {

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

PffMessages::PffMessages(std::shared_ptr<PffItem> folder) : folder_(std::move(folder)) {
  constexpr std::uint32_t kMessageClass = 0x001a;
  PffFile& file = *folder_->file();
  std::lock_guard hold(file.lock());
  int count = 0;
  libpff_error_t* error = nullptr;
  if (libpff_folder_get_number_of_sub_messages(folder_->get(), &count, &error) != 1) {
    throw file.Failure("the folder's messages could not be listed", error);
  }
  auto indexes = std::make_shared<std::vector<int>>();
  for (int i = 0; i < count; ++i) {
    libpff_item_t* item = nullptr;
    if (libpff_folder_get_sub_message(folder_->get(), i, &item, &error) != 1 || !item) {
      // Listed all the same: its turn in the export says that it could not be read.
      libpff_error_free(&error);
      indexes->push_back(i);
      continue;
    }
    if (IsMailClass(ItemText(item, kMessageClass).value_or(""))) indexes->push_back(i);
    libpff_item_free(&item, nullptr);
  }
  indexes_ = std::move(indexes);
}

class PffMessages::MessageCursor : public Cursor<Message> {
 public:
  MessageCursor(std::shared_ptr<PffItem> folder, std::shared_ptr<const std::vector<int>> indexes)
      : folder_(std::move(folder)), indexes_(std::move(indexes)) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (next_ == indexes_->size()) return false;
    element = std::make_shared<PffMessage>(folder_, (*indexes_)[next_++]);
    return true;
  }

 private:
  std::shared_ptr<PffItem> folder_;
  std::shared_ptr<const std::vector<int>> indexes_;
  std::size_t next_ = 0;
};

std::unique_ptr<Cursor<Message>> PffMessages::Begin() {
  return std::make_unique<MessageCursor>(folder_, indexes_);
}

}  // namespace store::pff
