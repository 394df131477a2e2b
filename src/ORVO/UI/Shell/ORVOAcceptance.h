#pragma once

#include <QObject>
#include <QPointF>
#include <QString>

class QDBusMessage;
class QWidget;

// Remote control for automated runs. Only when the environment has ORVO_ACCEPTANCE=1, the program
// listens on the session bus for the signal "acceptance" of the interface "Quillon.ORVO" (any sender,
// any path) whose first argument is a dictionary (a{sv} or a{ss}) with the command line under
// "command":
//   activate          bring the program to the front
//   snapshot DIR      PNGs of the windows (with their alerts and panels drawn over them), then "done"
//   click X Y         a left click X right of and Y below the top-left of the main window's content
//   key NAME          return, escape, tab, left, right, down or up, to the focused window
//   list FILE         one line per window: class, title, visibility, frame, parents, number
//   log FILE          the main window's connection log as plain text (empty without that window)
//   quit              end the process at once, status 0, without questions or clean-up
// Commands run on the main thread in arrival order; anything else is ignored, silently.
class ORVOAcceptance : public QObject {
    Q_OBJECT

public:
    static constexpr char interfaceName[] = "Quillon.ORVO";
    static constexpr char signalName[] = "acceptance";

    static void installIfRequested();

private slots:
    void receive(const QDBusMessage& message);

private:
    using QObject::QObject;

    static void handle(const QString& line);
    static void list(const QString& path);
    static void log(const QString& path);
    static void snapshot(const QString& directory);
    static void click(const QPointF& point);
    static void key(const QString& name);
    static QWidget* mainWindow();
};
