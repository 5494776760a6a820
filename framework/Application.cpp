#include "framework/Application.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

#include "framework/ErrorText.h"

namespace framework {

TApplication::TApplication()
    : title_(TitleOf(QCoreApplication::applicationFilePath().toStdString())), errorBox_(title_) {
  // The window system takes the task-bar text from here; the window's own caption stays its own.
  QCoreApplication::setApplicationName(QString::fromStdString(title_));
  previousHook_ = SetExceptionHook([this](std::exception_ptr error) { HandleException(error); });
}

TApplication::~TApplication() { SetExceptionHook(previousHook_); }

std::string TApplication::TitleOf(const std::string& programFile) {
  const QString name = QFileInfo(QString::fromStdString(programFile)).fileName().section('.', 0, 0);
  return (name.left(1) + name.mid(1).toLower()).toStdString();
}

void TApplication::ShowApplicationError(const std::exception_ptr& error) {
  errorBox_.ShowNow("Application Error", ClassNameOf(error) + ": " + ErrorBoxText(MessageOf(error)));
}

void TApplication::Terminate() { errorBox_.Stop(); }

void TApplication::HandleException(const std::exception_ptr& error) {
  errorBox_.Report(ErrorBoxText(MessageOf(error)));
}

}  // namespace framework
