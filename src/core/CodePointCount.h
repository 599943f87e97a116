#pragma once

#include <QStringView>

// The characters of a text as the aligned exports count them: code points, so a pair of UTF-16 surrogates
// (an emoji, a rare CJK character) counts once.
inline int codePointCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            --count; // the pair is one character
            ++i;
        }
    }
    return static_cast<int>(count);
}
