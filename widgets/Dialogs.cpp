#include "widgets/Dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QMessageBox>
#include <QMimeDatabase>

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

// Boxes belong to the window, not to the page that asked: a page's style sheet would
// otherwise colour the box's text too.
QWidget* owner(QWidget* parent)
{
    return parent ? parent->window() : nullptr;
}

bool present(QWidget* parent, Message message)
{
    message.caption = message.title;
    message.title = kNotice;
    message.owner = owner(parent);
    if (hooks().message)
        return hooks().message(message);
    return messageBox(message)->exec() == QMessageBox::Yes;
}

// Icons and types from names alone. The usual provider reads every listed file to tell its type;
// each read's close drops all this process's locks on that file, and where the embedded
// database lies, another client then takes its journal for unused and deletes it under us.
class NameOnlyIcons : public QFileIconProvider
{
public:
    QIcon icon(const QFileInfo& info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (!info.isFile())
            return QFileIconProvider::type(info);
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }
};

QString askFile(QWidget* parent, const FileRequest& request)
{
    if (hooks().file)
        return hooks().file(request);
    NameOnlyIcons icons; // outlives the dialog, whose listing asks it from a thread of its own
    QFileDialog dialog(owner(parent), request.title, QString(), request.filter);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Every save of this program appends to an existing file; asking to replace it would lie.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, request.save);
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

void showNotice(QWidget* parent, const Notice& notice)
{
    if (notice.oops)
        informCaptioned(parent, notice.text, kOops);
    else
        inform(parent, notice.text);
}

Tell tellOver(QWidget* parent)
{
    return [parent](const Notice& notice) { showNotice(parent, notice); };
}

bool ask(QWidget* parent, const QString& text, const QString& caption, Icon icon)
{
    return present(parent, {caption, text, true, icon});
}

std::unique_ptr<QMessageBox> messageBox(const Message& message)
{
    const auto buttons = message.yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    auto box = std::make_unique<QMessageBox>(boxIcon(message.icon), message.title, message.text, buttons,
                                             message.owner);
    box->setObjectName(QStringLiteral("messageBox"));
    if (message.yesNo)
        box->setDefaultButton(QMessageBox::No);
    return box;
}

QString openTextFile(QWidget* parent, const QString& title)
{
    return askFile(parent, {false, title, kTextFilter, QString()});
}

QString saveTextFile(QWidget* parent, const QString& title)
{
    return askFile(parent, {true, title, kTextFilter, QStringLiteral("txt")});
}

bool openUrl(const QUrl& url)
{
    if (hooks().url)
        return hooks().url(url);
    return QDesktopServices::openUrl(url);
}

void openUrlOrTell(QWidget* parent, const QUrl& url)
{
    if (openUrl(url))
        return;
    const QString where = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    inform(parent, url.isLocalFile()
                       ? QStringLiteral("提示: 没有可以打开此文件的程序,文件保存在:\n%1").arg(where)
                       : QStringLiteral("提示: 无法打开浏览器,请手动访问:\n%1").arg(where));
}

} // namespace Dialogs
