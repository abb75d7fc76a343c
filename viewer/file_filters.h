// File dialog filters written the way the windows describe them
// ("传真文件(*.Apf)|*.Apf|所有文件(*.*)|*.*": description, pattern, ...)
// turned into Qt's name filters. File names are case-sensitive here, and
// received faxes are named "FAX0001.APF" while converted ones end in ".apf",
// so each pattern is also given in lower and upper case; "*.*" (meant as
// "every file") becomes "*", which also matches names without a dot.
#pragma once

#include <QString>
#include <QStringList>

namespace telvane {

// One Qt filter per pair: "description (patterns)", the patterns of the
// description itself replaced by the real ones.
QStringList NameFiltersFromPairs(const QString& pairs);
// The same joined into the one string QFileDialog's static functions take.
QString QtFileFilter(const QString& pairs);

}  // namespace telvane
