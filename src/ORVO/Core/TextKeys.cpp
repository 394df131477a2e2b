#include "TextKeys.h"

namespace TextKeys {

namespace {

// The keys that stand whole; the formed ones follow in all().
constexpr const char* kFixedKeys[] = {
    kAppWindowTitle,
    kButtonExit,
    kButtonHelp,
    kButtonSaveToAdapter,
    kButtonTour,
    kDialogAlreadyRunningTitle,
    kDialogAlreadyRunningMessage,
    kDialogExitTitle,
    kDialogExitMessage,
    kDialogExitConfirm,
    kDialogExitBack,
    kDialogApertureFillTitle,
    kDialogApertureFillMessage,
    kDialogApertureFillYes,
    kDialogApertureFillNo,
    kDialogSaveTitle,
    kDialogSaveHint,
    kDialogSaveConfirm,
    kDialogSaveBack,
    kDialogSaveDefaultLens,
    kGuideTitle,
    kGuideIntro,
    kGuideStatusHint,
    kGuideLater,
    kGuideBegin,
    kLanguagePromptTitle,
    kLanguagePromptHint,
    kLanguagePromptConfirm,
    kLabelDeviceModel,
    kLabelDeviceSN,
    kLabelFirmwareVersion,
    kLabelDefaultLens,
    kLabelFocalLength,
    kLabelLensModel,
    kLabelAperture,
    kLabelAdapterNotConnected,
    kMessageAutoConnecting,
    kMessageCleanupComplete,
    kMessageConnectionFailed,
    kMessageConnectionSuccess,
    kMessageDeviceDetected,
    kMessageDeviceInfoSaved,
    kMessageExiting,
    kMessageNoPortSelected,
    kMessageSaveToAdapterDisabled,
    kMessageSaveToAdapterEnabled,
    kMessageSerialDisconnected,
    kMessageSerialDisconnecting,
    kMessageUiStateSaved,
    kMessageReadOutIncomplete,
    kMessagePartDeviceInfo,
    kMessagePartDefaultLens,
    kMessagePartProfile,
    kButtonReadAgain,
    kMessageSaveRefusedDefaultLens,
    kMessageSaveRefusedFocalLength,
    kMessageSaveRefusedAperture,
    kMessageSaveRefusedNoAdapter,
    kMessageSaveRefusedIncomplete,
    kMessageSaveBackupFailed,
    kMessageSaveInterrupted,
    kMessageSaveNotVerified,
    kMessageSaveNotAnswered,
    kMessageBackupKept,
    kMessageFieldCarriedValues,
    kMessageReverted,
    kMessageRestored,
    kMessageRestoreLeftAlone,
    kStatusReading,
    kStatusSaving,
    kStatusVerifying,
    kLabelProfileNotRead,
    kLabelNameBytes,
    kLabelNameCut,
    kButtonRevert,
    kButtonRestore,
    kDialogRestoreTitle,
    kDialogRestoreHint,
    kDialogRestoreNone,
    kDialogRestoreConfirm,
    kDialogRestoreBack,
    kDialogSaveChangedHint,
    kLabelChangesNotWritten,
    kLabelNameReplaced,
    kDialogExitUnwrittenMessage,
    kDialogExitDiscard,
    kDialogRestoreDraft,
    kMessageDraftKept,
    kMessageDraftFailed,
    kMessageDraftRestored,
    kPlaceholderAllMounts,
    kPlaceholderCatalogNoMatch,
    kPlaceholderCatalogUnavailable,
    kPlaceholderEnterFocalLength,
    kPlaceholderSelectLanguage,
    kPlaceholderApertureNearestStop,
    kTourSkip,
    kTourPrev,
    kTourNext,
    kTourDone,
    kDialogAlreadyRunningUnreachable,
    kMenuAbout,
    kMenuQuit,
    kMenuEdit,
    kMenuUndo,
    kMenuRedo,
    kMenuCut,
    kMenuCopy,
    kMenuPaste,
    kMenuDelete,
    kMenuSelectAll,
    kMessagePortOpened,
    kMessagePortClosed,
    kMessagePortNotFound,
    kMessageDeviceInfoMalformed,
    kMessageSettingsMalformed,
    kMessageProfileMalformed,
    kMessageDeviceInfoChecksumFailed,
    kMessageSettingsChecksumFailed,
    kMessageProfileChecksumFailed,
    kMessageDeviceInfoUnavailable,
    kMessageSettingsUnavailable,
    kMessageProfileUnreadable,
    kMessageProfileIndexInvalid,
    kMessageHelpPageMissing,
    kMessageRefreshPressed,
    kMessagePortListRefreshed,
    kMessageConnectingToPort,
    kMessageLanguageFileFailed,
    kMessageFailureRepeated,
    kDialogAboutMessage,
    kDialogAboutClose,
    kAccessibleProfileSelector,
    kAccessibleProfile,
    kAccessibleFocalLength,
    kAccessibleAperture,
    kAccessibleLensModel,
    kAccessibleMountMenu,
    kAccessibleFocalLengthMenu,
    kAccessibleLensSuggestions,
    kAccessibleThemeToggle,
    kAccessibleLanguage,
    kAccessibleConnectionLog,
    kAccessiblePort,
    kAccessibleMenu,
    kMnemonicSave,
    kMnemonicExit,
    kMnemonicReadAgain,
    kMnemonicRevert,
    kMnemonicRestore,
    kMessageAccessRuleMissing,
    kMessageAccessNotInGroup,
    kMessagePortBusy,
    kMessagePortBusyBy,
    kMessagePortBusyService,
    kMessageAdapterVanished,
    kMessageAdapterWithoutRule,
    kMessageHelpOpenFailed,
    kNoticeRuleTitle,
    kNoticeRuleText,
    kNoticeGroupTitle,
    kNoticeGroupText,
    kButtonCopy,
    kButtonHideNotice,
    kLibraryOpen,
    kLibraryTitle,
    kLibraryAdd,
    kLibraryFrom,
    kLibrarySearch,
    kLibraryLenses,
    kLibraryKits,
    kLibraryColumnName,
    kLibraryColumnApertures,
    kLibraryColumnNote,
    kLibraryColumnKits,
    kLibraryColumnDefault,
    kLibraryKeep,
    kLibraryEdit,
    kLibraryDelete,
    kLibraryImport,
    kLibraryExport,
    kLibrarySaveKit,
    kLibraryLoadKit,
    kLibraryUseLens,
    kLibraryEmpty,
    kLibraryNoMatch,
    kLibraryDeleted,
    kLibraryInKits,
    kLibraryDamaged,
    kLibraryFailed,
    kLibraryConflictMessage,
    kLibraryConflictHint,
    kLibraryReplace,
    kLibraryKeepBoth,
    kLibraryKitName,
    kLibraryAdded,
    kLibraryLensFilled,
    kLibraryKitLoaded,
    kLibraryNeedsAdapter,
    kLibraryImported,
    kLibraryExported,
    kLibraryFileType,
    kLibrarySaveKitConfirm,
    kLibraryImportOffer,
    kLibraryImportConfirm,
    kAccessibleLibraryLenses,
    kAccessibleLibraryKits,
    kAccessibleLibrarySearch,
};

} // namespace

QString guideStep(int number) {
    return QStringLiteral("guide.step") + QString::number(number);
}

QString label(const QString& name) {
    return QStringLiteral("labels.") + name;
}

const QStringList& cardLabelNames() {
    static const QStringList names{kLabelNameLensConfiguration,  kLabelNameLensMount,
                                   kLabelNameFocalLengthPlain,   kLabelNameLensModel,
                                   kLabelNameAdapterInformation, kLabelNameConnectionLog,
                                   kLabelNameWaitingForAdapter};
    return names;
}

const QStringList& statusNames() {
    static const QStringList names{kStatusAdapterNotConnected, kStatusAdapterConnected, kStatusAdapterSaved};
    return names;
}

const QStringList& tourStepStems() {
    static const QStringList stems{"intro",    "language",     "theme",   "help",    "tour",  "status",
                                   "adapter",  "default_lens", "log",     "profile", "mount", "focal",
                                   "aperture", "lens",         "library", "save",    "exit"};
    return stems;
}

QString tourTitleName(const QString& stem) {
    return stem + QStringLiteral("_title");
}

QString tourBodyName(const QString& stem) {
    return stem + QStringLiteral("_body");
}

QString tour(const QString& name) {
    return QStringLiteral("tour.") + name;
}

QStringList all() {
    QStringList keys;
    for (const char* key : kFixedKeys) {
        keys << QString::fromLatin1(key);
    }
    for (int step = 1; step <= kGuideStepCount; ++step) {
        keys << guideStep(step);
    }
    for (const QStringList* names : {&cardLabelNames(), &statusNames()}) {
        for (const QString& name : *names) {
            keys << label(name);
        }
    }
    for (const QString& stem : tourStepStems()) {
        keys << tour(tourTitleName(stem)) << tour(tourBodyName(stem));
    }
    // "labels.lens_model" and "labels.adapter_not_connected" are both fixed and formed.
    keys.removeDuplicates();
    return keys;
}

} // namespace TextKeys
