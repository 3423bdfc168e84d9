#pragma once

#include "common/Notice.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// Every message box, file dialog and browser launch goes through here, so that tests can read
// and answer them without a modal loop. Every box has the one title "提示" and belongs to the
// window of the control that asked.
namespace Dialogs {

inline const QString kNotice = QStringLiteral("提示");
inline const QString kTitle = kNotice;
// The kind of message a form reports; the box shows it under the common title too.
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
    QString title; // the box's title: always "提示"
    QString text;
    bool yesNo = false;
    Icon icon = Icon::None;
    QString caption;          // what the form asked for ("提示", "=_="), kept for the record
    QWidget* owner = nullptr; // the window the box belongs to; none before the first window
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

// Plain message: OK button.
void inform(QWidget* parent, const QString& text);
// Message of a kind ("=_=", "提示"), under the common title.
void informCaptioned(QWidget* parent, const QString& text, const QString& caption, Icon icon = Icon::None);
// A form's notice: plain, or captioned "=_=" when it is an oops.
void showNotice(QWidget* parent, const Notice& notice);
// Tells each notice in its own message box over parent.
Tell tellOver(QWidget* parent);
// Yes/No question; true for Yes.
bool ask(QWidget* parent, const QString& text, const QString& caption, Icon icon);
// The box that shows message, over message.owner; No is the default of a question.
std::unique_ptr<QMessageBox> messageBox(const Message& message);

// Text-file dialogs ("Text Files(*.txt)", "All Files(*.*)"); an empty result means cancelled.
QString openTextFile(QWidget* parent, const QString& title);
QString saveTextFile(QWidget* parent, const QString& title);

// Opens a web page or a saved file with the desktop's program for it; false when no program
// took it.
bool openUrl(const QUrl& url);
// The same, telling the user where to find the page or file when nothing opened it.
void openUrlOrTell(QWidget* parent, const QUrl& url);

} // namespace Dialogs
