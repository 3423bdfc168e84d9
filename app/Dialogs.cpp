#include "app/Dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace Dialogs {
namespace {

struct Hooks
{
    MessageHook message;
    FileHook file;
    UrlHook url;
};

Hooks& hooks()
{
    static Hooks instance;
    return instance;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

bool present(QWidget* parent, const Message& message)
{
    if (hooks().message)
        return hooks().message(message);
    const auto buttons = message.yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(boxIcon(message.icon), message.title, message.text, buttons, parent);
    if (message.yesNo)
        box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString askFile(QWidget* parent, const FileRequest& request)
{
    if (hooks().file)
        return hooks().file(request);
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

const QString kTextFilter = QStringLiteral("Text Files(*.txt);;All Files(*)");

} // namespace

void setMessageHook(MessageHook hook)
{
    hooks().message = std::move(hook);
}
void setFileHook(FileHook hook)
{
    hooks().file = std::move(hook);
}
void setUrlHook(UrlHook hook)
{
    hooks().url = std::move(hook);
}

void inform(QWidget* parent, const QString& text)
{
    present(parent, {kTitle, text, false, Icon::None});
}

void informCaptioned(QWidget* parent, const QString& text, const QString& caption, Icon icon)
{
    present(parent, {caption, text, false, icon});
}

bool ask(QWidget* parent, const QString& text, const QString& caption, Icon icon)
{
    return present(parent, {caption, text, true, icon});
}

QString openTextFile(QWidget* parent, const QString& title)
{
    return askFile(parent, {false, title, kTextFilter, QString()});
}

QString saveTextFile(QWidget* parent, const QString& title)
{
    return askFile(parent, {true, title, kTextFilter, QStringLiteral("txt")});
}

void openUrl(const QUrl& url)
{
    if (hooks().url) {
        hooks().url(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace Dialogs
