#pragma once

#include "DataStructures.h"
#include "ORVOPalette.h"

#include <QFrame>
#include <QString>
#include <array>

class ORVOStyleKit;
class QPushButton;

// The four profile segments A to D over the profile card, with dividers between unselected ones.
class ORVOProfileSelector : public QFrame {
    Q_OBJECT

public:
    // Which dividers stay visible with a profile selected.
    static std::array<bool, kAdapterProfileCount - 1> visibleDividers(int selectedProfileIndex);

    explicit ORVOProfileSelector(ORVOStyleKit& kit, QWidget* parent = nullptr);

    void showSelected(int index, const ORVOPalette& palette);
    void applyTheme(const ORVOPalette& palette);
    // Segments of profiles not read from the adapter carry the mark under their title.
    void showNotRead(const std::array<bool, kAdapterProfileCount>& notRead, const QString& mark);
    // Segments of profiles with changes not written carry a dot after their title; description is
    // what a screen reader says for it.
    void showChanged(const std::array<bool, kAdapterProfileCount>& changed, const QString& description);

    std::array<QPushButton*, kAdapterProfileCount> profileButtons{};
    std::array<QFrame*, kAdapterProfileCount - 1> profileDividers{};

signals:
    void profileClicked(int index);

private:
    void refreshTitles();

    std::array<bool, kAdapterProfileCount> notRead_{};
    QString notReadMark_;
    std::array<bool, kAdapterProfileCount> changed_{};
    QString changedDescription_;
};
