#include "core/StartupRoutines.h"

#include "core/AppTexts.h"
#include "platform/RandomSource.h"
#include "platform/UrlOpener.h"

#include <QFileInfo>
#include <QUrl>

namespace StartupRoutines
{

QString shortenedTitle(const QString& productName)
{
    QString title = productName;
    do {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0)
            break;
        title.truncate(space);
    } while (title.size() > 40);
    return title;
}

int occasionalWebsiteVisit(RandomSource& random, UrlOpener& opener)
{
    const int draw = static_cast<int>(random.next() * 100) + 1;
    if (draw == 7)
        opener.open(QUrl(AppTexts::MakerWebAddress));
    return draw;
}

bool fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

} // namespace StartupRoutines
