#pragma once

#include "ProfileChanges.h"

#include <QString>
#include <cstdint>
#include <optional>

// What the styled window asks of the controller behind it: the values a save would write, the
// connection, and the actions that run once the person has confirmed them.
class ORVOPresentationDelegate {
public:
    virtual ~ORVOPresentationDelegate() = default;

    virtual bool isAdapterConnected() const = 0;
    // False while a connection's read-out has not brought the profile's values.
    virtual bool isProfileRead(int profile) const = 0;
    // What the status line shows while a read-out or a save runs; empty otherwise.
    virtual QString activityStatus() const = 0;
    // The focal length a save writes for a profile, as it will be written.
    virtual std::optional<uint16_t> focalLengthToWrite(int profile) const = 0;
    // What a save would change in a profile against the adapter's last read values; nothing without
    // a complete read-out. The save summary, the marks and the Exit question all ask this.
    virtual ProfileChanges profileChanges(int profile) const = 0;
    virtual bool defaultLensChanged() const = 0;
    // "B", or "A → B" when a save changes the default lens.
    virtual QString defaultLensChange() const = 0;
    // The parts holding changes not written ("profile A, default lens"); empty when there are none.
    virtual QString unwrittenParts() const = 0;

    // Save after the confirmation; false when a field holds a value the adapter cannot store.
    virtual bool saveConfirmed() = 0;
    virtual void exitAfterConfirmation() = 0;
    // Exit's Write: the save after its confirmation; the program ends only once it is verified.
    virtual void saveThenExit() = 0;
    // Puts back the name a composed one replaced (the notice's Undo).
    virtual void undoNameReplacement(int profile) = 0;
    // The window's language selector shows this row; the texts follow.
    virtual void languageChosen(int index) = 0;
};
