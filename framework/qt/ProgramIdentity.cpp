#include "framework/ProgramIdentity.h"

#include <QCoreApplication>
#include <QString>

namespace framework {

std::string ProgramFilePath() { return QCoreApplication::applicationFilePath().toStdString(); }

std::string LowerCase(const std::string& text) { return QString::fromStdString(text).toLower().toStdString(); }

void ShowInTaskBarAs(const std::string& title) { QCoreApplication::setApplicationName(QString::fromStdString(title)); }

}  // namespace framework
