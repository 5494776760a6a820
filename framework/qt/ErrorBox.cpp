#include "framework/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

#include "framework/StandardLines.h"

namespace framework {

namespace {

void WriteLine(const std::string& text) { WriteStandardLine(StandardStream::Error, text); }

// Belongs to the program as a whole, over the window that was active, which gets the focus back
// when the box closes.
QMessageBox* MakeBox(const std::string& caption, const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                              QMessageBox::Ok, QApplication::activeWindow());
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

}  // namespace

struct ErrorBox::Native {
  QObject context;  // posted boxes that have not opened yet go with it
  QPointer<QMessageBox> open;
};

ErrorBox::ErrorBox(std::string caption) : caption_(std::move(caption)), native_(std::make_unique<Native>()) {}

ErrorBox::~ErrorBox() = default;

void ErrorBox::Report(const std::string& text) {
  WriteLine(text);
  if (busy_ || stopped_) return;
  busy_ = true;
  QMetaObject::invokeMethod(
      &native_->context, [this, text] { Show(text); }, Qt::QueuedConnection);
}

void ErrorBox::Stop() {
  stopped_ = true;
  if (native_->open) native_->open->done(QMessageBox::Ok);
}

void ErrorBox::ShowNow(const std::string& caption, const std::string& text) {
  WriteLine(text);
  Open(caption, text);
}

void ErrorBox::Show(const std::string& text) {
  Open(caption_, text);
  busy_ = false;
}

void ErrorBox::Open(const std::string& caption, const std::string& text) {
  if (stopped_) return;
  native_->open = MakeBox(caption, text);
  native_->open->exec();
  // The pointer is empty if the box went with its parent window while it was open.
  delete native_->open.data();
}

}  // namespace framework
