#include <memory>
#include <vector>

#include "store/ListCollection.h"
#include "store/Service.h"
#include "store/local/LocalStore.h"
#include "store/local/StoreFinder.h"

namespace store {
namespace {

// The mail stores on this computer, found afresh at every log-on.
class LocalSession : public Session {
 public:
  void LogOn() override {
    std::vector<std::shared_ptr<InfoStore>> stores;
    for (local::FoundStore& found : local::FindStores()) {
      stores.push_back(std::make_shared<local::LocalStore>(std::move(found)));
    }
    stores_ = std::make_shared<ListCollection<InfoStore>>(std::move(stores));
  }
  void LogOff() override { stores_.reset(); }
  std::shared_ptr<Collection<InfoStore>> InfoStores() override {
    if (!stores_) throw Error::Absent("not logged on");
    return stores_;
  }

 private:
  std::shared_ptr<Collection<InfoStore>> stores_;
};

}  // namespace

std::shared_ptr<Session> CreateSession() { return std::make_shared<LocalSession>(); }

}  // namespace store
