#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// The application's own state that outlives any one window: the main window, and whether the user
// has already confirmed leaving (so quitting does not ask a second time).
class AppDelegate : public QObject {
    Q_OBJECT

public:
    static AppDelegate& shared();

    QPointer<QWidget> mainWindow;
    bool exitAlreadyConfirmed = false;

private:
    AppDelegate() = default;
};
