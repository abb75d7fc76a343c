// File dialog filters written the way the windows describe them
// ("描述|*.apf|所有文件(*.*)|*.*") turned into Qt's form. Linux file names
// are case-sensitive, so each pattern also matches its other letter case.
#pragma once

#include <QString>

namespace telvane {

// "(*.APF)|*.APF|所有文件(*.*)|*.*" → "(*.APF) (*.APF *.apf);;所有文件(*.*) (*)".
QString QtFileFilter(const QString& described);

}  // namespace telvane
