#include "app/system/SoftwareCentre.h"

namespace {

class NoSoftwareCentre final : public SoftwareCentre {
public:
    bool available() const override { return false; }
    QString name() const override { return {}; }
    bool openSearch(const QString&) override { return false; }
};

} // namespace

std::shared_ptr<SoftwareCentre> SoftwareCentre::unavailable() {
    return std::make_shared<NoSoftwareCentre>();
}
