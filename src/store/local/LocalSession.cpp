#include <memory>
#include <vector>

#include "store/ListCollection.h"
#include "store/Service.h"

namespace store {
namespace {

// The stores found on this computer. Discovery is not wired up yet: the session lists none.
class LocalSession : public Session {
 public:
  void LogOn() override {
    stores_ =
        std::make_shared<ListCollection<InfoStore>>(std::vector<std::shared_ptr<InfoStore>>{});
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
