#include "ORVOProfileSelector.h"

#include "ORVOStyleKit.h"
#include "StyleSheet.h"
#include "Typography.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

constexpr int kSelectorWidth = 630;
constexpr int kSelectorHeight = 45;
const char* const kSegmentTitles[] = {"A (F2.2)", "B (F2.5)", "C (F2.8)", "D (F3.2)"};

} // namespace

std::array<bool, kAdapterProfileCount - 1> ORVOProfileSelector::visibleDividers(int selected) {
    std::array<bool, kAdapterProfileCount - 1> visible{};
    for (int i = 0; i < static_cast<int>(visible.size()); ++i) {
        visible[i] = i != selected && i != selected - 1;
    }
    return visible;
}

ORVOProfileSelector::ORVOProfileSelector(ORVOStyleKit& kit, QWidget* parent) : QFrame(parent) {
    setObjectName("profileSelector");
    setFixedSize(kSelectorWidth, kSelectorHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(0);
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        if (i > 0) {
            QFrame* divider = kit.makeSeparator(this, true);
            divider->setFixedHeight(kSelectorHeight - 16);
            profileDividers[i - 1] = divider;
            row->addSpacing(1);
            row->addWidget(divider, 0, Qt::AlignVCenter);
            row->addSpacing(1);
        }
        auto* button = new QPushButton(kSegmentTitles[i], this);
        button->setProperty("profileIndex", i);
        button->setFont(Typography::segment());
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(button, &QPushButton::clicked, this, [this, i] { emit profileClicked(i); });
        profileButtons[i] = button;
        row->addWidget(button, 1);
    }
}

void ORVOProfileSelector::showSelected(int index, const ORVOPalette& p) {
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        const bool selected = i == index;
        StyleSheet::set(
            profileButtons[i],
            // The selected segment is the one Tab reaches; its ring takes the colour of its title.
            QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 8px; }"
                           "QPushButton:focus { border: 2px solid %2; outline: none; }")
                .arg(selected ? ORVOPalette::css(p.selectedFill) : QStringLiteral("transparent"),
                     ORVOPalette::css(selected ? p.selectedText : p.text)));
    }
    const auto visible = visibleDividers(index);
    for (int i = 0; i < static_cast<int>(visible.size()); ++i) {
        profileDividers[i]->setVisible(visible[i]);
    }
}

void ORVOProfileSelector::applyTheme(const ORVOPalette& p) {
    StyleSheet::set(
        this, QStringLiteral(
                  "QFrame#profileSelector { background: %1; border: 1px solid %2; border-radius: 10px; }")
                  .arg(ORVOPalette::css(p.field), ORVOPalette::css(p.border)));
}

// A profile the adapter has not answered for says so under its title, so that what its fields
// show is not taken for the adapter's.
void ORVOProfileSelector::showNotRead(const std::array<bool, kAdapterProfileCount>& notRead,
                                      const QString& mark) {
    notRead_ = notRead;
    notReadMark_ = mark;
    refreshTitles();
}

void ORVOProfileSelector::showChanged(const std::array<bool, kAdapterProfileCount>& changed,
                                      const QString& description) {
    if (changed == changed_ && description == changedDescription_) {
        return;
    }
    changed_ = changed;
    changedDescription_ = description;
    refreshTitles();
}

void ORVOProfileSelector::refreshTitles() {
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        QString title = QString::fromLatin1(kSegmentTitles[i]);
        QStringList description;
        if (changed_[i]) {
            title += QStringLiteral(" •");
            description << changedDescription_;
        }
        if (notRead_[i]) {
            title += u'\n' + notReadMark_;
            description << notReadMark_;
        }
        profileButtons[i]->setText(title);
        profileButtons[i]->setAccessibleDescription(description.join(QStringLiteral(", ")));
    }
}
