#pragma once

#include "AdapterSnapshot.h"

// What an adapter holds, with every field set so that a value a file or an edit leaves out shows as
// kept: profile i holds the name "<name> i ä", focal length 20 + i (its tele end, which the window
// does not show, 70 + i) and the apertures byte i, F2.8, F4 and F32; the default lens is C.
inline AdapterSnapshot sampleSnapshot(const QString& serial = QStringLiteral("ORVO0042"),
                                      const QString& name = QStringLiteral("Lens")) {
    AdapterSnapshot s;
    fillZeroPaddedText(s.info.DeviceSN.data(), s.info.DeviceSN.size(), serial);
    s.info.calculateChecksum();
    s.settings.DefaultCustomLens = 2;
    s.settings.U32_1 = 123456;
    s.settings.calculateChecksum();
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        L2PC03_TD& p = s.profiles[size_t(i)];
        p.lensSeq = uint8_t(i);
        p.WideFlocalLength = uint16_t(20 + i);
        p.TeleFlocalLength = uint16_t(70 + i);
        p.ApretureValue = {uint8_t(i), 8, 11, 21};
        fillZeroPaddedText(p.LensNameString.data(), p.LensNameString.size(),
                           QStringLiteral("%1 %2 ä").arg(name).arg(i));
        p.calculateChecksum();
    }
    return s;
}
