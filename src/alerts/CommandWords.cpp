#include "alerts/CommandWords.h"

namespace CommandWords
{

QStringList split(const QString& command, bool* ok)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool good = true;
    enum { Plain, Single, Double } mode = Plain;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (mode == Single) {
            if (c == u'\'')
                mode = Plain;
            else
                word += c;
        } else if (mode == Double) {
            if (c == u'"') {
                mode = Plain;
            } else if (c == u'\\' && i + 1 < command.size() && QStringLiteral("\"\\$`").contains(command.at(i + 1))) {
                word += command.at(++i);
            } else {
                word += c;
            }
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == u'\'') {
                mode = Single;
            } else if (c == u'"') {
                mode = Double;
            } else if (c == u'\\') {
                if (i + 1 < command.size())
                    word += command.at(++i);
                else
                    good = false;
            } else {
                word += c;
            }
        }
    }
    if (mode != Plain)
        good = false;
    if (inWord)
        words << word;
    if (ok)
        *ok = good;
    return words;
}

} // namespace CommandWords
