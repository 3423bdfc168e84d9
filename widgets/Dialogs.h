#pragma once

#include "common/Notice.h"

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Every message box, file dialog and browser launch goes through here, so that tests can read
// and answer them without a modal loop.
namespace Dialogs {

inline const QString kTitle = QStringLiteral("Kavrel");
inline const QString kNotice = QStringLiteral("提示");
inline const QString kOops = QStringLiteral("=_=");

enum class Icon
{
    None,
    Information,
    Question,
    Warning
};

struct Message
{
    QString title; // caption of the box: "Kavrel" for plain messages
    QString text;
    bool yesNo = false;
    Icon icon = Icon::None;
};

struct FileRequest
{
    bool save = false;
    QString title;
    QString filter;
    QString defaultSuffix;
};

// A hook answers instead of the user: true means Yes for a Yes/No box.
using MessageHook = std::function<bool(const Message&)>;
using FileHook = std::function<QString(const FileRequest&)>;
// A URL hook answers whether a program took the address.
using UrlHook = std::function<bool(const QUrl&)>;
void setMessageHook(MessageHook hook);
void setFileHook(FileHook hook);
void setUrlHook(UrlHook hook);

// Plain message: OK button, title "Kavrel".
void inform(QWidget* parent, const QString& text);
// Message with its own caption ("=_=", "提示").
void informCaptioned(QWidget* parent, const QString& text, const QString& caption, Icon icon = Icon::None);
// A form's notice: plain, or captioned "=_=" when it is an oops.
void showNotice(QWidget* parent, const Notice& notice);
// Tells each notice in its own message box over parent.
Tell tellOver(QWidget* parent);
// Yes/No question; true for Yes.
bool ask(QWidget* parent, const QString& text, const QString& caption, Icon icon);

// Text-file dialogs ("Text Files(*.txt)", "All Files(*.*)"); an empty result means cancelled.
QString openTextFile(QWidget* parent, const QString& title);
QString saveTextFile(QWidget* parent, const QString& title);

// Opens a web page or a saved file with the desktop's program for it; false when no program
// took it.
bool openUrl(const QUrl& url);
// The same, telling the user where to find the page or file when nothing opened it.
void openUrlOrTell(QWidget* parent, const QUrl& url);

} // namespace Dialogs
