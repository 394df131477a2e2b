#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QMessageBox;
class QPushButton;
class QWidget;

// One profile in the save confirmation's summary, as the window's controls hold it.
struct SummaryRow {
    QString group;     // the profile letter, "A" to "D"
    QString name;      // the lens model name
    QString focal;     // the focal length text
    QString apertures; // the four aperture texts joined by " / "
    QString changes;   // what differs from the adapter, "50 → 35 mm · F4.0 → F2.8"; empty when nothing
};

// The application's modal alerts. They hold no state and change nothing: each returns the user's
// answer and the caller acts on it. All texts come from the interface language; each alert takes the
// light or dark look of the window it is about and stays above that window.
class ORVODialogs {
public:
    ORVODialogs() = delete;

    // reachable: the running copy comes to the front after the notice; otherwise it cannot be called.
    static void alreadyRunning(bool reachable = true);
    // True when the first (default) button closed the alert; over names the window the alert is
    // about, which stays below it.
    static bool confirmExit(QWidget* over);
    // Exit with changes not written to the adapter: parts names them ("profile A, profile C").
    enum class ExitChoice { Write, Discard, GoBack };
    static ExitChoice confirmExitUnwritten(QWidget* over, const QString& parts);
    static bool confirmApertureFill(QWidget* over);
    static bool confirmSave(QWidget* over, const QString& defaultLens, const QList<SummaryRow>& rows);
    // Lets the user pick one of the lines (a backup each); its index, or nothing when cancelled.
    // Without lines it only says that there is none.
    static std::optional<int> chooseBackup(QWidget* over, const QStringList& lines);
    // A question with buttons in order, the first the default and the last the one that changes
    // nothing, and an accessory view (owned by the alert) under the texts. The index of the button
    // pressed, -1 for any other way of closing.
    static int ask(QWidget* over, const QString& message, const QString& informative,
                   const QStringList& buttons, QWidget* accessory = nullptr);
    // The program's name and version.
    static void about(QWidget* over);

    // What will be written to the adapter: the default lens, then two lines per row. 460 wide; the
    // caller owns the view.
    static QWidget* summaryView(const QString& defaultLens, const QList<SummaryRow>& rows);
    static constexpr int summaryWidth = 460;

    // Stands in for the user while set (tests, automation): gets the finished alert and its buttons
    // in order, first (default) first, and returns the index of the button pressed, or -1 for any
    // other way of closing. An empty responder brings the modal runs back.
    using Responder = std::function<int(QMessageBox& alert, const QList<QPushButton*>& buttons)>;
    static void setResponder(Responder responder);
};
