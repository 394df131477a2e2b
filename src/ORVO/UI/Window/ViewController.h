#pragma once

#include "ConnectionStatus.h"
#include "LensLibraryData.h"
#include "LocalizedText.h"
#include "ORVOPresentationDelegate.h"
#include "ORVOWindowControls.h"
#include "WriteSequence.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <optional>

class DataStructureManager;
class ORVOPresentation;
class LocalizationManager;
class QComboBox;
class QDateTime;
class QTimer;
class ReadOutSequence;
struct Notification;

// The main window's controller. It drives a connection from detection to read-out, maps received
// packets to the controls and the controls back to packets, writes to the adapter, keeps the
// connection log and the window state. Its controls are the outlets of ORVOWindowControls (each with
// its outlet name as object name); the presentation places them.
// Everything runs on the main thread; delayed steps end quietly once the controller is gone.
class ViewController : public QWidget, public ORVOWindowControls, public ORVOPresentationDelegate {
    Q_OBJECT

public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    DataStructureManager& dataManager;
    LocalizationManager& localizationManager;
    bool hasAttemptedAutoConnect = false;
    ORVOPresentation* presentation = nullptr;
    // Reads the adapter out after every connection; Save stays off until it is complete.
    ReadOutSequence* readOut = nullptr;
    // Backs up, writes and verifies; the only way a save reaches the adapter.
    WriteSequence* writeSequence = nullptr;
    // What the status line shows while a read-out or a save runs ("Saving… 2/6"); empty otherwise.
    QString activity;

    // Connection lifecycle.
    void startConnectionMonitoring();
    void checkConnection();
    void attemptAutoConnect(int orvoCount, int totalCount);
    void performCleanup();
    // Access problems: a failed open's fix in the notice; plugged adapters without their rule.
    void handlePortOpenFailed();
    void reportUnlinkedAdapters();

    // Profile exchange.
    void handleReceivedL2PC01Packet();
    void handleReceivedL2PC02Packet();
    void handleReceivedL2PC03Packet(const QByteArray& data);
    void updatePC2L03PacketFromUI();

    // What the styled window asks of the controller.
    bool isAdapterConnected() const override;
    bool isProfileRead(int profile) const override;
    QString activityStatus() const override;
    std::optional<uint16_t> focalLengthToWrite(int profile) const override;
    ProfileChanges profileChanges(int profile) const override;
    bool defaultLensChanged() const override;
    QString defaultLensChange() const override;
    QString unwrittenParts() const override;
    bool hasUnwrittenChanges() const;
    // Before a new read-out fills the fields, and when the system ends the program: edits not
    // written are kept as a draft of the adapter they were made for.
    void keepDraftOfUnwrittenEdits();
    bool saveConfirmed() override;
    void saveThenExit() override;
    void undoNameReplacement(int profile) override;
    void languageChosen(int index) override;

    // Fields and persisted state.
    void Init_UI();
    void updateButtonTitles();
    void updatePlaceholderTexts();
    void saveUIState();
    QString composedName(int profile) const;
    // The composed name replaces the field's; a name the user typed or picked is kept for Undo and
    // the window says that it was replaced.
    void composeName(int profile);
    // The name the composed one replaced, while Undo can still bring it back.
    std::optional<QString> replacedName(int profile) const { return replacedNames[size_t(profile)]; }

    // My Lenses. The fields as the adapter would store them (nothing and why when one holds a value
    // it cannot); the lens a profile shows, with the mount picked for it; a lens into a profile's
    // fields; a kit into all four and the default lens, over what the adapter holds.
    std::optional<AdapterSnapshot> shownValues(QString* why) const;
    std::optional<LibraryLens> shownLens(int profile, QString* why) const;
    void fillProfileFrom(int profile, const LibraryLens& lens);
    bool loadKit(const QString& name, const LensLibraryData& library, QString* why);

    // Log and help. An entry is kept as what it says and shown in the current language.
    void appendToPrintView(const LocalizedText& entry);
    void appendToPrintView(const QString& text) { appendToPrintView(LocalizedText::literal(text)); }
    // The entry on a line of its own.
    void appendLine(const LocalizedText& line);
    // A line of its own: the marker (none for nullptr), then the key's text with its arguments.
    void logMessage(const char* marker, const char* key, std::vector<LocalizedText> arguments = {});
    void displayHTMLFileWithFormat(const QString& name);
    QString logText() const;

public slots:
    void On_Language_Selected();
    void On_buttonHelp_Clicked();
    // Starts the write chain; false when the controls hold a value the adapter cannot store.
    bool On_Button_SaveToAdapter();
    void On_ButtonFresh_Clicked();
    void On_PortSelection_Changed();
    void On_buttonExit_Clicked();
    // Exit after the person confirmed it: the application does not ask again.
    void exitAfterConfirmation() override;
    void On_ButtonReadAgain_Clicked();
    void On_ButtonRevert_Clicked();
    void On_ButtonRestore_Clicked();
    void On_Aperture_Changed(QComboBox* sender);
    void On_Default_LensSeq_Changed();
    void On_FocalLength_Changed(int profile);

signals:
    // Exit has cleaned up and asks the application to end; confirmed when the person already said yes.
    void terminationRequested(bool confirmed);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Ctrl+Z in a lens-name field first takes back a composed name's replacement.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildDeviceControls();
    void buildProfileControls();
    void wireActions();
    void registerNotificationHandlers();
    void setupPrintViewStyle();
    void Init_Language();
    void Init_DefaultLensSeqComboBox();
    void Init_FocalLength_TextFields();
    void Init_ApertureComboBoxes();
    void Init_LensName_TextFields();
    void setSaveEnabled(bool enabled);
    // A new line of the log: the marker (none for nullptr), the key's text with its arguments.
    QString text(const char* key) const;
    void setUpWriteSequence();
    void fillFieldsFrom(const AdapterSnapshot& snapshot);
    void markProfilesNotRead();
    void placeApertures(int profile, const std::array<int, kAperturesPerProfile>& indices);
    void updateBackupControls();
    void runReadOutChain(quint64 connection);
    void readOutFinished(bool complete);
    LocalizedText missingPartNames() const;
    void handlePortConnected(const Notification& notification);
    void handlePortDisconnected();
    using FocalLengths = std::array<std::optional<uint16_t>, kAdapterProfileCount>;
    FocalLengths focalLengthsToWrite() const;
    std::optional<LocalizedText> unsavableProfileReason(const FocalLengths& focalLengths) const;
    void updatePC2L03PacketFromUI(const FocalLengths& focalLengths);
    void writeFinished(const WriteSequence::Outcome& outcome);
    void showActivity(const QString& status);
    AdapterSnapshot valuesToWrite(const FocalLengths& focalLengths) const;
    void logNotVerified(const WriteSequence::Outcome& outcome);
    void logLeftAlone(const QList<AdapterSnapshot::UnstorableField>& leftAlone);
    static LocalizedText partName(WriteSequence::Part part);
    static LocalizedText partNames(const QList<WriteSequence::Part>& parts);
    static LocalizedText mismatchText(const WriteSequence::Mismatch& mismatch);
    LocalizedText unwrittenPartNames() const;
    void stopConnectionMonitoring();
    void watchNameEdits();
    void restoreChosen(const AdapterSnapshot& values, const char* messageKey, const QDateTime& takenAt);

    QTimer* connectionCheckTimer = nullptr;
    bool exitConfirmed = false;
    // Exit's Write asked for a save: a verified one ends the program, any other outcome does not.
    bool exitAfterVerifiedSave = false;
    std::array<std::optional<QString>, kProfileCount> replacedNames{};
    bool composingName = false;
    // Profiles the current connection's read-out has not brought yet; none before any connection.
    std::array<bool, kProfileCount> profileNotRead{};
};
