#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <functional>

class QDBusMessage;
class QPainter;
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
//   close             close the main window as its close button does (which asks, as Exit does)
//   quit              end the process at once, status 0, without questions or clean-up
// Commands run on the main thread in arrival order; anything else is ignored, silently.
class ORVOAcceptance : public QObject {
    Q_OBJECT

public:
    static constexpr char interfaceName[] = "Quillon.ORVO";
    static constexpr char signalName[] = "acceptance";

    // What the hook needs of the application it drives, given by whoever installs it.
    struct Host {
        // The application's main window, or null.
        std::function<QWidget*()> mainWindow;
        // Brings the program to the front.
        std::function<void()> activate;
    };

    static void installIfRequested(Host host);

private slots:
    void receive(const QDBusMessage& message);

private:
    ORVOAcceptance(Host host, QObject* parent);

    void activate() const;
    void handle(const QString& line);
    static void list(const QString& path);
    void log(const QString& path) const;
    static void snapshot(const QString& directory);
    // One window's image, with its attached windows drawn over it; the report line.
    static QString snapshotWindow(QWidget* window, const QList<QWidget*>& windows, const QString& name,
                                  const QString& file);
    static int drawAttachedWindows(QPainter& painter, const QWidget* window, const QList<QWidget*>& windows,
                                   double scale);
    void click(const QPointF& point);
    void key(const QString& name);
    QWidget* mainWindow() const;

    Host host;
};
