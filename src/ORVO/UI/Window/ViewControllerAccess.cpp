// When the adapter cannot be used: the fix shown in the notice over the log. The causes and their
// log lines come from the store.

#include "AdapterAccessAdvice.h"
#include "DataStructureManager.h"
#include "ORVOAccessNotice.h"
#include "SerialPortError.h"
#include "ViewController.h"

// A failed open ends the attempt, so a later tick may try again; the store logs the failure once.
void ViewController::handlePortOpenFailed() {
    hasAttemptedAutoConnect = false;
    const auto failure = dataManager.lastOpenFailure();
    // Only missing access has a command that fixes it; a busy port's holder is named in the log.
    if (failure && SerialPortError::causeOf(failure->second) == SerialPortError::Cause::PermissionDenied) {
        accessNotice->showAdvice(AdapterAccessAdvice::forOpenFailure(failure->first, failure->second));
    }
}

void ViewController::reportUnlinkedAdapters() {
    for (const QString& path : dataManager.reportUnlinkedAdapters(dataManager.availablePorts())) {
        accessNotice->showAdvice(AdapterAccessAdvice::forUnlinkedAdapter(path));
    }
}
