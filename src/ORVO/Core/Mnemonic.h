#pragma once

#include <QString>

// Alt+letter access keys for buttons whose caption comes from a language file.
namespace Mnemonic {

// Marks letter in caption as its access key: before its first occurrence (any case) when the
// caption has one, otherwise appended in parentheses, as captions in Chinese, Japanese, Korean or
// Thai show it ("保存(&S)"). Ampersands already in the caption stay literal.
QString apply(const QString& caption, const QString& letter);

} // namespace Mnemonic
