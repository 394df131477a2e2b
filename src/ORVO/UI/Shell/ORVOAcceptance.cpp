#include "ORVOAcceptance.h"

#include "ApplicationWindows.h"
#include "ORVOAcceptanceCommand.h"
#include "ViewController.h"

#include <QApplication>
#include <QBuffer>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <unistd.h>

namespace {

// Synthesised releases follow their presses by this much, as a quick real click or key stroke does.
constexpr qint64 kReleaseAfterMs = 50;
constexpr int kSmallestSnapshotWidth = 100;

// The window a top-level widget is attached to: its parent widget's window, or the window the
// platform keeps it above (alerts are only transient for the window they are about).
QWidget* parentWindowOf(const QWidget* window) {
    if (window->parentWidget()) {
        return window->parentWidget()->window();
    }
    const QWindow* transient = window->windowHandle() ? window->windowHandle()->transientParent() : nullptr;
    if (!transient) {
        return nullptr;
    }
    for (QWidget* candidate : ApplicationWindows::windows()) {
        if (candidate->windowHandle() == transient) {
            return candidate;
        }
    }
    return nullptr;
}

// A window-modal window over another is what the platform shows as a sheet.
bool hasSheetParent(const QWidget* window) {
    return window->windowModality() == Qt::WindowModal && parentWindowOf(window);
}

int attachmentDepth(const QWidget* window) {
    int depth = 0;
    for (const QWidget* w = parentWindowOf(window); w; w = parentWindowOf(w)) {
        ++depth;
    }
    return depth;
}

QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString decimal(int value) {
    return QString::number(static_cast<double>(value), 'f', 1);
}

void writeAtomically(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        file.commit();
    }
}

void postReleasedAfter(QObject* receiver, QInputEvent* press, QInputEvent* release) {
    QElapsedTimer uptime;
    uptime.start();
    const auto now = static_cast<quint64>(uptime.msecsSinceReference());
    press->setTimestamp(now);
    release->setTimestamp(now + kReleaseAfterMs);
    QCoreApplication::postEvent(receiver, press);
    QCoreApplication::postEvent(receiver, release);
}

} // namespace

ORVOAcceptance::ORVOAcceptance(Host host, QObject* parent) : QObject(parent), host(std::move(host)) {}

void ORVOAcceptance::installIfRequested(Host host) {
    if (qEnvironmentVariable("ORVO_ACCEPTANCE") != QLatin1String("1") ||
        qApp->findChild<ORVOAcceptance*>(QString(), Qt::FindDirectChildrenOnly)) {
        return;
    }
    // Lives as long as the application object, like the subscription it holds; deleting it ends the
    // subscription.
    auto* observer = new ORVOAcceptance(std::move(host), qApp);
    QDBusConnection::sessionBus().connect(QString(), QString(), interfaceName, signalName, observer,
                                          SLOT(receive(QDBusMessage)));
    observer->activate();
}

void ORVOAcceptance::activate() const {
    if (host.activate) {
        host.activate();
    }
}

void ORVOAcceptance::receive(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.isEmpty() || arguments.constFirst().userType() != qMetaTypeId<QDBusArgument>()) {
        return;
    }
    const auto dictionary = arguments.constFirst().value<QDBusArgument>();
    QVariant command;
    if (dictionary.currentSignature() == QLatin1String("a{sv}")) {
        QVariantMap entries;
        dictionary >> entries;
        command = entries.value(QStringLiteral("command"));
    } else if (dictionary.currentSignature() == QLatin1String("a{ss}")) {
        QMap<QString, QString> entries;
        dictionary >> entries;
        if (entries.contains(QStringLiteral("command"))) {
            command = entries.value(QStringLiteral("command"));
        }
    }
    if (command.typeId() == QMetaType::QString) {
        handle(command.toString());
    }
}

void ORVOAcceptance::handle(const QString& line) {
    const std::optional<ORVOAcceptanceCommand> command = ORVOAcceptanceCommand::parse(line);
    if (!command) {
        return;
    }
    using Kind = ORVOAcceptanceCommand::Kind;
    switch (command->kind) {
    case Kind::Activate:
        activate();
        break;
    case Kind::Snapshot:
        snapshot(command->argument);
        break;
    case Kind::Click:
        click(command->point);
        break;
    case Kind::Key:
        key(command->argument);
        break;
    case Kind::List:
        list(command->argument);
        break;
    case Kind::Log:
        log(command->argument);
        break;
    case Kind::Close:
        // As the window's close button asks: later, so that this command ends before any question.
        if (QWidget* window = mainWindow()) {
            QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        }
        break;
    case Kind::Quit:
        // Whatever output still waits goes out if it can; the command ends the program either way.
        (void)std::fflush(nullptr);
        ::_exit(0);
    }
}

QWidget* ORVOAcceptance::mainWindow() const {
    QWidget* main = host.mainWindow ? host.mainWindow() : nullptr;
    if (main && main->isVisible()) {
        return main;
    }
    for (QWidget* window : ApplicationWindows::windows()) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && !hasSheetParent(window) && (type == Qt::Window || type == Qt::Dialog)) {
            return window;
        }
    }
    return nullptr;
}

void ORVOAcceptance::list(const QString& path) {
    QStringList lines;
    for (QWidget* window : ApplicationWindows::windows()) {
        const QRect frame = window->frameGeometry();
        lines << QStringLiteral(
                     "%1 title=%2 visible=%3 frame=(%4, %5, %6, %7) sheetParent=%8 parent=%9 number=%10")
                     .arg(QString::fromLatin1(window->metaObject()->className())
                              .section(QLatin1String("::"), -1),
                          window->windowTitle(), flag(window->isVisible()), decimal(frame.x()),
                          decimal(frame.y()), decimal(frame.width()), decimal(frame.height()),
                          flag(hasSheetParent(window)), flag(parentWindowOf(window)))
                     .arg(window->winId());
    }
    writeAtomically(path, lines.join('\n'));
}

// What a save or a read-out reported, for scripts that cannot read it off a snapshot.
void ORVOAcceptance::log(const QString& path) const {
    const auto* controller = qobject_cast<const ViewController*>(mainWindow());
    writeAtomically(path, controller ? controller->logText() : QString());
}

void ORVOAcceptance::snapshot(const QString& directory) {
    // A folder that cannot be made leaves every write below to fail, "done" included.
    QDir().mkpath(directory);
    const QDir folder(directory);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9]+"));

    const QList<QWidget*> windows = ApplicationWindows::windows();
    QStringList report;
    int number = 0;
    for (QWidget* window : windows) {
        if (!window->isVisible() || parentWindowOf(window) || window->width() <= kSmallestSnapshotWidth) {
            continue;
        }
        QString name = window->windowTitle();
        if (name.isEmpty()) {
            name = QString::fromLatin1(window->metaObject()->className()).section(QLatin1String("::"), -1);
        }
        // Only letters, digits and dashes: no title can lead the file out of the folder.
        name.replace(unsafe, QStringLiteral("-"));
        report << snapshotWindow(window, windows, name,
                                 folder.filePath(QStringLiteral("%1-%2.png").arg(number++).arg(name)));
    }
    writeAtomically(folder.filePath(QStringLiteral("done")), report.join('\n'));
}

QString ORVOAcceptance::snapshotWindow(QWidget* window, const QList<QWidget*>& windows, const QString& name,
                                       const QString& file) {
    const QPixmap capture = window->grab();
    if (capture.isNull()) {
        return name + QStringLiteral(": no image");
    }
    const double scale = capture.width() / static_cast<double>(window->width());
    QImage image(capture.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(QRectF(image.rect()), capture, QRectF(capture.rect()));
    const int overlays = drawAttachedWindows(painter, window, windows, scale);
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return name + QStringLiteral(": png failed");
    }
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(png);
    }
    return QStringLiteral("%1: %2x%3 scale=%4 overlays=%5")
        .arg(name)
        .arg(image.width())
        .arg(image.height())
        .arg(scale)
        .arg(overlays);
}

// The window's alerts and panels, each where it lies over the window; how many were drawn.
int ORVOAcceptance::drawAttachedWindows(QPainter& painter, const QWidget* window,
                                        const QList<QWidget*>& windows, double scale) {
    int overlays = 0;
    for (QWidget* attached : windows) {
        if (attached == window || !attached->isVisible() || parentWindowOf(attached) != window) {
            continue;
        }
        const QPixmap overlay = attached->grab();
        if (overlay.isNull()) {
            continue;
        }
        const QRect frame = attached->geometry().translated(-window->geometry().topLeft());
        const QRectF target(frame.x() * scale, frame.y() * scale, frame.width() * scale,
                            frame.height() * scale);
        painter.drawPixmap(target, overlay, QRectF(overlay.rect()));
        ++overlays;
    }
    return overlays;
}

void ORVOAcceptance::click(const QPointF& point) {
    QWidget* window = mainWindow();
    if (!window) {
        return;
    }
    const QPointF global = window->mapToGlobal(point);

    // Qt keeps no stacking order across windows; a window's panels and alerts lie above it, so the
    // most deeply attached window under the point is the topmost one.
    QWidget* target = nullptr;
    int targetDepth = -1;
    for (QWidget* candidate : ApplicationWindows::windows()) {
        const int depth = attachmentDepth(candidate);
        if (candidate->isVisible() && candidate->geometry().contains(global.toPoint()) &&
            depth >= targetDepth) {
            target = candidate;
            targetDepth = depth;
        }
    }
    if (!target) {
        return;
    }
    const QPointF local = target->mapFromGlobal(global);
    target->raise();
    target->activateWindow();
    // Posted to the platform window, so modality, popups and the widget under the point are
    // resolved as for a real click.
    postReleasedAfter(target->windowHandle(),
                      new QMouseEvent(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton,
                                      Qt::LeftButton, Qt::NoModifier),
                      new QMouseEvent(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton,
                                      Qt::NoButton, Qt::NoModifier));
}

void ORVOAcceptance::key(const QString& name) {
    struct NamedKey {
        const char* name;
        Qt::Key key;
        const char16_t* text;
    };
    static constexpr NamedKey keys[] = {
        {"return", Qt::Key_Return, u"\r"}, {"escape", Qt::Key_Escape, u"\x1b"}, {"tab", Qt::Key_Tab, u"\t"},
        {"left", Qt::Key_Left, u""},       {"right", Qt::Key_Right, u""},       {"down", Qt::Key_Down, u""},
        {"up", Qt::Key_Up, u""},
    };
    const auto* named = std::find_if(std::begin(keys), std::end(keys),
                                     [&name](const NamedKey& k) { return name == QLatin1String(k.name); });
    QWidget* target = QApplication::activeWindow() ? QApplication::activeWindow() : mainWindow();
    if (named == std::end(keys) || !target) {
        return;
    }
    const QString text = QString::fromUtf16(named->text);
    // Through the platform window to its focused widget, as a key stroke on the keyboard arrives.
    postReleasedAfter(target->windowHandle(),
                      new QKeyEvent(QEvent::KeyPress, named->key, Qt::NoModifier, text),
                      new QKeyEvent(QEvent::KeyRelease, named->key, Qt::NoModifier, text));
}
