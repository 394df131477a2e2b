#pragma once

// Every key the program looks up in the language files. Keys that stand whole are constants; the
// others are formed from a prefix and a name by the functions below, so the windows and the
// completeness check of the language files share one list.

#include <QString>
#include <QStringList>

namespace TextKeys {

inline constexpr char kAppWindowTitle[] = "app.window_title";

inline constexpr char kButtonExit[] = "buttons.exit";
inline constexpr char kButtonHelp[] = "buttons.help";
inline constexpr char kButtonSaveToAdapter[] = "buttons.save_to_adapter";
inline constexpr char kButtonTour[] = "buttons.tour";
inline constexpr char kButtonReadAgain[] = "buttons.read_again";

inline constexpr char kDialogAlreadyRunningTitle[] = "dialogs.already_running_title";
inline constexpr char kDialogAlreadyRunningMessage[] = "dialogs.already_running_message";
inline constexpr char kDialogExitTitle[] = "dialogs.exit_title";
inline constexpr char kDialogExitMessage[] = "dialogs.exit_message";
inline constexpr char kDialogExitConfirm[] = "dialogs.exit_confirm";
inline constexpr char kDialogExitBack[] = "dialogs.exit_back";
inline constexpr char kDialogApertureFillTitle[] = "dialogs.aperture_fill_title";
inline constexpr char kDialogApertureFillMessage[] = "dialogs.aperture_fill_message";
inline constexpr char kDialogApertureFillYes[] = "dialogs.aperture_fill_yes";
inline constexpr char kDialogApertureFillNo[] = "dialogs.aperture_fill_no";
inline constexpr char kDialogSaveTitle[] = "dialogs.save_title";
inline constexpr char kDialogSaveHint[] = "dialogs.save_hint";
inline constexpr char kDialogSaveConfirm[] = "dialogs.save_confirm";
inline constexpr char kDialogSaveBack[] = "dialogs.save_back";
inline constexpr char kDialogSaveDefaultLens[] = "dialogs.save_default_lens";

inline constexpr char kGuideTitle[] = "guide.title";
inline constexpr char kGuideIntro[] = "guide.intro";
inline constexpr char kGuideStatusHint[] = "guide.status_hint";
inline constexpr char kGuideLater[] = "guide.later";
inline constexpr char kGuideBegin[] = "guide.begin";
inline constexpr char kLanguagePromptTitle[] = "language_prompt.title";
inline constexpr char kLanguagePromptHint[] = "language_prompt.hint";
inline constexpr char kLanguagePromptConfirm[] = "language_prompt.confirm";

inline constexpr char kLabelDeviceModel[] = "labels.device_model";
inline constexpr char kLabelDeviceSN[] = "labels.device_sn";
inline constexpr char kLabelFirmwareVersion[] = "labels.firmware_version";
inline constexpr char kLabelDefaultLens[] = "labels.default_lens";
inline constexpr char kLabelFocalLength[] = "labels.focal_length";
inline constexpr char kLabelLensModel[] = "labels.lens_model";
inline constexpr char kLabelAperture[] = "labels.aperture";
inline constexpr char kLabelAdapterNotConnected[] = "labels.adapter_not_connected";

inline constexpr char kMessageAutoConnecting[] = "messages.auto_connecting";
inline constexpr char kMessageCleanupComplete[] = "messages.cleanup_complete";
inline constexpr char kMessageConnectionFailed[] = "messages.connection_failed";
inline constexpr char kMessageConnectionSuccess[] = "messages.connection_success";
// Carries "{0}" (adapter ports) and "{1}" (all ports).
inline constexpr char kMessageDeviceDetected[] = "messages.device_detected";
inline constexpr char kMessageDeviceInfoSaved[] = "messages.device_info_saved";
inline constexpr char kMessageExiting[] = "messages.exiting";
inline constexpr char kMessageNoPortSelected[] = "messages.no_port_selected";
inline constexpr char kMessageSaveToAdapterDisabled[] = "messages.save_to_adapter_disabled";
inline constexpr char kMessageSaveToAdapterEnabled[] = "messages.save_to_adapter_enabled";
inline constexpr char kMessageSerialDisconnected[] = "messages.serial_disconnected";
inline constexpr char kMessageSerialDisconnecting[] = "messages.serial_disconnecting";
inline constexpr char kMessageUiStateSaved[] = "messages.ui_state_saved";
// "{0}" is a list of part names such as "device information, profile B".
inline constexpr char kMessageReadOutIncomplete[] = "messages.read_out_incomplete";
inline constexpr char kMessagePartDeviceInfo[] = "messages.part_device_info";
inline constexpr char kMessagePartDefaultLens[] = "messages.part_default_lens";
// "{0}" is the profile letter.
inline constexpr char kMessagePartProfile[] = "messages.part_profile";
// Saving, backups, Revert and Restore; "{0}" and "{1}" are filled in by the window.
inline constexpr char kMessageSaveRefusedDefaultLens[] = "messages.save_refused_default_lens";
inline constexpr char kMessageSaveRefusedFocalLength[] = "messages.save_refused_focal_length";
inline constexpr char kMessageSaveRefusedAperture[] = "messages.save_refused_aperture";
inline constexpr char kMessageSaveRefusedNoAdapter[] = "messages.save_refused_no_adapter";
inline constexpr char kMessageSaveRefusedIncomplete[] = "messages.save_refused_incomplete";
inline constexpr char kMessageSaveBackupFailed[] = "messages.save_backup_failed";
inline constexpr char kMessageSaveInterrupted[] = "messages.save_interrupted";
inline constexpr char kMessageSaveNotVerified[] = "messages.save_not_verified";
inline constexpr char kMessageSaveNotAnswered[] = "messages.save_not_answered";
inline constexpr char kMessageBackupKept[] = "messages.backup_kept";
inline constexpr char kMessageFieldCarriedValues[] = "messages.field_carried_values";
inline constexpr char kMessageReverted[] = "messages.reverted";
inline constexpr char kMessageRestored[] = "messages.restored";
inline constexpr char kMessageRestoreLeftAlone[] = "messages.restore_left_alone";
inline constexpr char kStatusReading[] = "labels.status_reading";
inline constexpr char kStatusSaving[] = "labels.status_saving";
inline constexpr char kStatusVerifying[] = "labels.status_verifying";
// On a profile's segment while the adapter's answer for it has not come.
inline constexpr char kLabelProfileNotRead[] = "labels.profile_not_read";
// Under the lens name: "{0}" its bytes, "{1}" the adapter's limit.
inline constexpr char kLabelNameBytes[] = "labels.name_bytes";
// Under the lens name after the limit cut an edit or a picked name; "{0}" is the limit.
inline constexpr char kLabelNameCut[] = "labels.name_cut";
inline constexpr char kButtonRevert[] = "buttons.revert";
inline constexpr char kButtonRestore[] = "buttons.restore";
inline constexpr char kDialogRestoreTitle[] = "dialogs.restore_title";
inline constexpr char kDialogRestoreHint[] = "dialogs.restore_hint";
inline constexpr char kDialogRestoreNone[] = "dialogs.restore_none";
inline constexpr char kDialogRestoreConfirm[] = "dialogs.restore_confirm";
inline constexpr char kDialogRestoreBack[] = "dialogs.restore_back";
inline constexpr char kDialogSaveChangedHint[] = "dialogs.save_changed_hint";
// Edits not written: the status line, the notice of a replaced name, Exit's question ("{0}" names the
// parts), the draft's line in the Restore list ("{0}" its time) and the log lines about drafts
// ("{0}" the parts or the time, "{1}" the draft's path or why it could not be kept).
inline constexpr char kLabelChangesNotWritten[] = "labels.changes_not_written";
inline constexpr char kLabelNameReplaced[] = "labels.name_replaced";
inline constexpr char kDialogExitUnwrittenMessage[] = "dialogs.exit_unwritten_message";
inline constexpr char kDialogExitDiscard[] = "dialogs.exit_discard";
inline constexpr char kDialogRestoreDraft[] = "dialogs.restore_draft";
inline constexpr char kMessageDraftKept[] = "messages.draft_kept";
inline constexpr char kMessageDraftFailed[] = "messages.draft_failed";
inline constexpr char kMessageDraftRestored[] = "messages.draft_restored";

inline constexpr char kPlaceholderAllMounts[] = "placeholder.all_mounts";
inline constexpr char kPlaceholderCatalogNoMatch[] = "placeholder.catalog_no_match";
inline constexpr char kPlaceholderCatalogUnavailable[] = "placeholder.catalog_unavailable";
inline constexpr char kPlaceholderEnterFocalLength[] = "placeholder.enter_focal_length";
inline constexpr char kPlaceholderSelectLanguage[] = "placeholder.select_language";
// %1: the lens's own maximum aperture, %2: the adapter stop chosen for it.
inline constexpr char kPlaceholderApertureNearestStop[] = "placeholder.aperture_nearest_stop";

// Tour buttons; each is shown with its last segment as the default text.
inline constexpr char kTourSkip[] = "tour.skip";
inline constexpr char kTourPrev[] = "tour.prev";
inline constexpr char kTourNext[] = "tour.next";
inline constexpr char kTourDone[] = "tour.done";

// Shown when the running copy holds the lock file but cannot be reached over the session bus.
inline constexpr char kDialogAlreadyRunningUnreachable[] = "dialogs.already_running_unreachable";

// Menu bar items.
inline constexpr char kMenuAbout[] = "menu.about";
inline constexpr char kMenuQuit[] = "menu.quit";
inline constexpr char kMenuEdit[] = "menu.edit";
inline constexpr char kMenuUndo[] = "menu.undo";
inline constexpr char kMenuRedo[] = "menu.redo";
inline constexpr char kMenuCut[] = "menu.cut";
inline constexpr char kMenuCopy[] = "menu.copy";
inline constexpr char kMenuPaste[] = "menu.paste";
inline constexpr char kMenuDelete[] = "menu.delete";
inline constexpr char kMenuSelectAll[] = "menu.select_all";
// The About alert; "{0}" is the version text ("1.0.0 (7)").
inline constexpr char kDialogAboutMessage[] = "dialogs.about_message";
inline constexpr char kDialogAboutClose[] = "dialogs.about_close";

// Names screen readers announce for controls whose visible text does not say what they are.
// "{0}" is the profile letter, "{1}" the aperture number.
inline constexpr char kAccessibleProfileSelector[] = "accessibility.profile_selector";
inline constexpr char kAccessibleProfile[] = "accessibility.profile";
inline constexpr char kAccessibleFocalLength[] = "accessibility.focal_length";
inline constexpr char kAccessibleAperture[] = "accessibility.aperture";
inline constexpr char kAccessibleLensModel[] = "accessibility.lens_model";
inline constexpr char kAccessibleMountMenu[] = "accessibility.mount_menu";
inline constexpr char kAccessibleFocalLengthMenu[] = "accessibility.focal_length_menu";
inline constexpr char kAccessibleLensSuggestions[] = "accessibility.lens_suggestions";
inline constexpr char kAccessibleThemeToggle[] = "accessibility.theme_toggle";
inline constexpr char kAccessibleLanguage[] = "accessibility.language";
inline constexpr char kAccessibleConnectionLog[] = "accessibility.connection_log";
inline constexpr char kAccessiblePort[] = "accessibility.port";
// The header's menu button, which shows a symbol only.
inline constexpr char kAccessibleMenu[] = "accessibility.menu";

// Why the adapter's port could not be opened, with the fix. "{0}" is the port's path, "{1}" the
// program holding it or the group the udev rule names.
inline constexpr char kMessageAccessRuleMissing[] = "messages.access_rule_missing";
inline constexpr char kMessageAccessNotInGroup[] = "messages.access_not_in_group";
inline constexpr char kMessagePortBusy[] = "messages.port_busy";
inline constexpr char kMessagePortBusyBy[] = "messages.port_busy_by";
inline constexpr char kMessagePortBusyService[] = "messages.port_busy_service";
inline constexpr char kMessageAdapterVanished[] = "messages.adapter_vanished";
inline constexpr char kMessageAdapterWithoutRule[] = "messages.adapter_without_rule";
// "{0}": the help page's path.
inline constexpr char kMessageHelpOpenFailed[] = "messages.help_open_failed";
// The connection log's own lines. They name the adapter's answers as the user knows them (the
// settings answer, a profile answer); "{0}" is a port's path, a page's file name or a profile number.
inline constexpr char kMessagePortOpened[] = "messages.port_opened";
inline constexpr char kMessagePortClosed[] = "messages.port_closed";
inline constexpr char kMessagePortNotFound[] = "messages.port_not_found";
inline constexpr char kMessageDeviceInfoMalformed[] = "messages.device_info_malformed";
inline constexpr char kMessageSettingsMalformed[] = "messages.settings_malformed";
inline constexpr char kMessageProfileMalformed[] = "messages.profile_malformed";
inline constexpr char kMessageDeviceInfoChecksumFailed[] = "messages.device_info_checksum_failed";
inline constexpr char kMessageSettingsChecksumFailed[] = "messages.settings_checksum_failed";
inline constexpr char kMessageProfileChecksumFailed[] = "messages.profile_checksum_failed";
inline constexpr char kMessageDeviceInfoUnavailable[] = "messages.device_info_unavailable";
inline constexpr char kMessageSettingsUnavailable[] = "messages.settings_unavailable";
inline constexpr char kMessageProfileUnreadable[] = "messages.profile_unreadable";
inline constexpr char kMessageProfileIndexInvalid[] = "messages.profile_index_invalid";
inline constexpr char kMessageHelpPageMissing[] = "messages.help_page_missing";
inline constexpr char kMessageRefreshPressed[] = "messages.refresh_pressed";
inline constexpr char kMessagePortListRefreshed[] = "messages.port_list_refreshed";
inline constexpr char kMessageConnectingToPort[] = "messages.connecting_to_port";
inline constexpr char kMessageLanguageFileFailed[] = "messages.language_file_failed";
// A failure line that came again within a second: "{0}" the line, "{1}" how many times.
inline constexpr char kMessageFailureRepeated[] = "messages.failure_repeated";
// The notice over the log that offers the commands to copy; "{0}" is the group.
inline constexpr char kNoticeRuleTitle[] = "notice.rule_title";
inline constexpr char kNoticeRuleText[] = "notice.rule_text";
inline constexpr char kNoticeGroupTitle[] = "notice.group_title";
inline constexpr char kNoticeGroupText[] = "notice.group_text";
inline constexpr char kButtonCopy[] = "buttons.copy";
inline constexpr char kButtonHideNotice[] = "buttons.hide_notice";

// The Alt+letter of Save and Exit, one character chosen per language.
inline constexpr char kMnemonicSave[] = "mnemonics.save";
inline constexpr char kMnemonicExit[] = "mnemonics.exit";
inline constexpr char kMnemonicReadAgain[] = "mnemonics.read_again";
inline constexpr char kMnemonicRevert[] = "mnemonics.revert";
inline constexpr char kMnemonicRestore[] = "mnemonics.restore";

// My Lenses: the library window, the profile card's buttons and the log lines about them. "{0}" and
// "{1}" are names, a profile letter, counts or a file's path, as the window fills them in.
inline constexpr char kLibraryOpen[] = "library.open";
inline constexpr char kLibraryTitle[] = "library.title";
inline constexpr char kLibraryAdd[] = "library.add";
inline constexpr char kLibraryFrom[] = "library.from";
inline constexpr char kLibrarySearch[] = "library.search";
inline constexpr char kLibraryLenses[] = "library.lenses";
inline constexpr char kLibraryKits[] = "library.kits";
inline constexpr char kLibraryColumnName[] = "library.column_name";
inline constexpr char kLibraryColumnApertures[] = "library.column_apertures";
inline constexpr char kLibraryColumnNote[] = "library.column_note";
inline constexpr char kLibraryColumnKits[] = "library.column_kits";
inline constexpr char kLibraryColumnDefault[] = "library.column_default";
inline constexpr char kLibraryKeep[] = "library.keep";
inline constexpr char kLibraryEdit[] = "library.edit";
inline constexpr char kLibraryDelete[] = "library.delete";
inline constexpr char kLibraryImport[] = "library.import";
inline constexpr char kLibraryExport[] = "library.export";
inline constexpr char kLibrarySaveKit[] = "library.save_kit";
inline constexpr char kLibraryLoadKit[] = "library.load_kit";
inline constexpr char kLibraryUseLens[] = "library.use_lens";
inline constexpr char kLibraryEmpty[] = "library.empty";
inline constexpr char kLibraryNoMatch[] = "library.no_match";
inline constexpr char kLibraryDeleted[] = "library.deleted";
inline constexpr char kLibraryInKits[] = "library.in_kits";
inline constexpr char kLibraryDamaged[] = "library.damaged";
inline constexpr char kLibraryFailed[] = "library.failed";
inline constexpr char kLibraryConflictMessage[] = "library.conflict_message";
inline constexpr char kLibraryConflictHint[] = "library.conflict_hint";
inline constexpr char kLibraryReplace[] = "library.replace";
inline constexpr char kLibraryKeepBoth[] = "library.keep_both";
inline constexpr char kLibraryKitName[] = "library.kit_name";
inline constexpr char kLibraryAdded[] = "library.added";
inline constexpr char kLibraryLensFilled[] = "library.lens_filled";
inline constexpr char kLibraryKitLoaded[] = "library.kit_loaded";
inline constexpr char kLibraryNeedsAdapter[] = "library.needs_adapter";
inline constexpr char kLibraryImported[] = "library.imported";
inline constexpr char kLibraryExported[] = "library.exported";
inline constexpr char kLibraryFileType[] = "library.file_type";
inline constexpr char kLibrarySaveKitConfirm[] = "library.save_kit_confirm";
// A shared file opened from the desktop or the command line: "{0}" is its path.
inline constexpr char kLibraryImportOffer[] = "library.import_offer";
inline constexpr char kLibraryImportConfirm[] = "library.import_confirm";
inline constexpr char kAccessibleLibraryLenses[] = "accessibility.library_lenses";
inline constexpr char kAccessibleLibraryKits[] = "accessibility.library_kits";
inline constexpr char kAccessibleLibrarySearch[] = "accessibility.library_search";

// First-run guide steps, numbered from 1: "guide.step1", "guide.step2".
inline constexpr int kGuideStepCount = 2;
QString guideStep(int number);

// Card and section labels, and the connection status states, are looked up as "labels." + name.
inline constexpr char kLabelNameLensConfiguration[] = "lens_configuration";
inline constexpr char kLabelNameLensMount[] = "lens_mount";
inline constexpr char kLabelNameFocalLengthPlain[] = "focal_length_plain";
inline constexpr char kLabelNameLensModel[] = "lens_model";
inline constexpr char kLabelNameAdapterInformation[] = "adapter_information";
inline constexpr char kLabelNameConnectionLog[] = "connection_log";
inline constexpr char kLabelNameWaitingForAdapter[] = "waiting_for_adapter";
inline constexpr char kStatusAdapterConnected[] = "adapter_connected";
inline constexpr char kStatusAdapterNotConnected[] = "adapter_not_connected";
inline constexpr char kStatusAdapterSaved[] = "adapter_saved";
QString label(const QString& name);
const QStringList& cardLabelNames();
const QStringList& statusNames();

// Tour steps: a stem S gives the names S + "_title" and S + "_body", looked up as "tour." + name
// with the name as the default text. The stems are in the order the tour visits them.
const QStringList& tourStepStems();
QString tourTitleName(const QString& stem);
QString tourBodyName(const QString& stem);
QString tour(const QString& name);

// Every key above, fixed and formed, each once.
QStringList all();

} // namespace TextKeys
