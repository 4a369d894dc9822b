#include "vrnx2/shell/ui/WaitNotifier.h"

#include <QCoreApplication>
#include <QPointer>

namespace vrnx2 {

WaitNotifier& WaitNotifier::Instance() {
    // Owned by the application, so it goes with it.
    static QPointer<WaitNotifier> instance;
    if (!instance) instance = new WaitNotifier;
    if (qApp && instance->parent() != qApp) instance->setParent(qApp);
    return *instance;
}

}  // namespace vrnx2
