#include "app/dictionary/DictionaryPackages.h"

#include <QCoreApplication>

namespace {

class NoDictionaryPackages final : public DictionaryPackages {
public:
    QFuture<QList<DictionaryPackage>>
    offered(const QString&, const QString&, const DictionaryPackageNames::LanguageName&) override {
        return QtFuture::makeReadyFuture(QList<DictionaryPackage>());
    }
    QFuture<PrepareResult> install(const QString&) override {
        return QtFuture::makeReadyFuture(PrepareResult{
            PrepareResult::Outcome::failed,
            QCoreApplication::translate(
                "DictionaryPackages",
                "Dictionaries cannot be installed from here on this system. Install them with "
                "the system's software centre or package manager."),
            {}});
    }
};

} // namespace

std::shared_ptr<DictionaryPackages> DictionaryPackages::unavailable() {
    return std::make_shared<NoDictionaryPackages>();
}
