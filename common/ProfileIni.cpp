#include "common/ProfileIni.h"

#include "common/Gbk.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace ProfileIni {
namespace {

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = Gbk::decode(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QString> sectionName(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

std::optional<QString> keyName(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    return line.left(eq).trimmed();
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<QString> findValue(const QString& path, const QString& section, const QString& key)
{
    bool inSection = false;
    for (const QString& line : readLines(path)) {
        if (auto name = sectionName(line)) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        auto name = keyName(line);
        if (!name || !sameName(*name, key))
            continue;
        QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
        if (value.size() >= 2 && value.front() == value.back() &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

bool writeLines(const QString& path, const QStringList& lines)
{
    const QString temp = path + QLatin1String(".tmp");
    QFile::remove(temp);
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    const QByteArray bytes = Gbk::encode(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n"));
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written) {
        QFile::remove(temp);
        return false;
    }
    return std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0;
}

} // namespace

QString readString(const QString& path, const QString& section, const QString& key, const QString& fallback)
{
    return findValue(path, section, key).value_or(fallback);
}

int readInt(const QString& path, const QString& section, const QString& key, int fallback)
{
    const auto value = findValue(path, section, key);
    if (!value)
        return fallback;
    qsizetype end = 0;
    if (end < value->size() && (value->at(end) == QLatin1Char('-') || value->at(end) == QLatin1Char('+')))
        ++end;
    while (end < value->size() && value->at(end).isDigit() && value->at(end).unicode() < 128)
        ++end;
    bool ok = false;
    const int number = value->left(end).toInt(&ok);
    return ok ? number : 0;
}

bool writeString(const QString& path, const QString& section, const QString& key, const QString& value)
{
    QStringList lines = readLines(path);
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype sectionEnd = -1;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i])) {
            inSection = sameName(*name, section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (auto name = keyName(lines[i]); name && sameName(*name, key)) {
            lines[i] = entry;
            return writeLines(path, lines);
        }
        if (!lines[i].trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionEnd < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else {
        lines.insert(sectionEnd, entry);
    }
    return writeLines(path, lines);
}

} // namespace ProfileIni
