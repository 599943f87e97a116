#pragma once

#include <QString>

class RandomSource;
class UrlOpener;

namespace StartupRoutines
{
// Cuts the product name at its last space, at least once, until it is at most 40 characters long.
// A name without a space has nothing to cut at and stands whole.
QString shortenedTitle(const QString& productName);

// An integer from 1 to 100; at a draw of 7 the maker's web page opens. Returns the draw.
int occasionalWebsiteVisit(RandomSource& random, UrlOpener& opener);

// True when the file's modification time can be read.
bool fileExists(const QString& path);
} // namespace StartupRoutines
