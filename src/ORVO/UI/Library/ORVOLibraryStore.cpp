#include "ORVOLibraryStore.h"

#include <memory>

ORVOLibraryStore::ORVOLibraryStore(const QString& path, QObject* parent)
    : QObject(parent), library(new LensLibrary(path)) {
    thread.setObjectName(QStringLiteral("lens library"));
    library->moveToThread(&thread);
    // The library and its file watcher go with the thread's last events.
    connect(&thread, &QThread::finished, library, &QObject::deleteLater);
    connect(library, &LensLibrary::changed, library,
            [this] { publish(library->data(), library->problem()); });
}

ORVOLibraryStore::~ORVOLibraryStore() {
    if (!thread.isRunning()) {
        delete library;
        return;
    }
    thread.quit();
    thread.wait();
}

void ORVOLibraryStore::open() {
    if (opened) {
        return;
    }
    opened = true;
    thread.start();
    QMetaObject::invokeMethod(library, [lib = library] {
        lib->load();
        lib->watch();
    });
}

void ORVOLibraryStore::change(const LensLibrary::Edit& edit, const Done& done) {
    open();
    QMetaObject::invokeMethod(library, [this, edit, done] {
        QString error;
        const bool ok = library->change(edit, &error);
        // A change that went through has already published through changed().
        QMetaObject::invokeMethod(this, [done, ok, error] { done(ok, error); });
    });
}

void ORVOLibraryStore::whenLoaded(QObject* context, const std::function<void()>& then) {
    if (loaded) {
        then();
        return;
    }
    open();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &ORVOLibraryStore::changed, context, [connection, then] {
        QObject::disconnect(*connection);
        then();
    });
}

void ORVOLibraryStore::readShared(const QString& path, const Read& done) {
    open();
    QMetaObject::invokeMethod(library, [this, path, done] {
        QString error;
        const auto entry = LensLibrary::readSharedFile(path, &error);
        QMetaObject::invokeMethod(this, [done, entry, error] { done(entry, error); });
    });
}

void ORVOLibraryStore::writeShared(const LensLibraryData& entry, const QString& path, const Done& done) {
    open();
    QMetaObject::invokeMethod(library, [this, entry, path, done] {
        QString error;
        const bool ok = LensLibrary::writeSharedFile(entry, path, &error);
        QMetaObject::invokeMethod(this, [done, ok, error] { done(ok, error); });
    });
}

void ORVOLibraryStore::publish(const LensLibraryData& data, const QString& problem) {
    QMetaObject::invokeMethod(this, [this, data, problem] {
        const bool newlyDamaged = !problem.isEmpty() && problem != currentProblem;
        current = data;
        currentProblem = problem;
        loaded = true;
        emit changed();
        if (newlyDamaged) {
            emit damaged(problem);
        }
    });
}
