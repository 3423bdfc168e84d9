#include "sending/NumbersCommand.h"

#include "common/BuildConfig.h"
#include "common/CommandLine.h"
#include "common/TextFiles.h"
#include "sending/ConsoleProgress.h"
#include "sending/Dedupe.h"
#include "sending/NumberFile.h"
#include "sending/NumberReader.h"
#include "sending/NumberRules.h"
#include "sending/TextFile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace NumbersCommand {
namespace {

const QString kProgram = QStringLiteral("kavrel-numbers");
constexpr int kUnreadable = 2;
constexpr qsizetype kReadChunk = 1 << 20;
constexpr qsizetype kLinesPerWrite = 1 << 16;
constexpr qsizetype kProgressStep = 4096;
// Smaller inputs are done before a bar could tell anything.
constexpr qint64 kProgressFromBytes = 16LL << 20;
constexpr qsizetype kMaxLines = 5'000'000;

struct Options
{
    QString command;
    QString input;
    QString output = QStringLiteral("-");
};

void say(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
}

int fail(int status, const QString& message)
{
    say(QStringLiteral("%1: %2\n").arg(kProgram, message));
    return status;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString shownName(const QString& name)
{
    return name == QLatin1String("-") ? QStringLiteral("标准输入") : name;
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "整理号码文件。读入的方式与客户端的导入号码相同: GBK 或 UTF-8 (可带 BOM), CR LF 或 LF,\n"
        "长度超过5个字节的行才是号码。写出的方式与导出号码相同: GBK, 每行以 CR LF 结束。\n"
        "命令:\n"
        "  dedupe  去掉重复的号码, 保留每个号码第一次出现的那一行, 顺序不变\n"
        "  check   用手动加入号码的规则检查每个号码, 列出不合格的行\n"
        "  count   输出文件里号码的条数\n"
        "输入文件为 - 时读标准输入; 没有 -o 或为 -o - 时写到标准输出。"));
    CommandLine::addStandardOptions(parser);
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("dedupe 的结果写到这个文件 (已有的文件被替换)。"),
                      QStringLiteral("文件")});
    parser.addPositionalArgument(QStringLiteral("命令"), QStringLiteral("dedupe、check 或 count。"));
    parser.addPositionalArgument(QStringLiteral("输入文件"), QStringLiteral("号码文件; - 为标准输入。"));
}

// The options, or the answer that ends the command (help, version, a mistake).
std::optional<CommandLine::Answer> parse(const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    describe(parser);
    if (auto answer = CommandLine::answer(parser, arguments, kProgram, QStringLiteral(KAVREL_VERSION), 2))
        return answer;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return CommandLine::usageError(kProgram, QStringLiteral("缺少命令: dedupe、check 或 count"));
    options.command = positional.at(0);
    static const QStringList commands{QStringLiteral("dedupe"), QStringLiteral("check"),
                                      QStringLiteral("count")};
    if (!commands.contains(options.command))
        return CommandLine::usageError(kProgram, QStringLiteral("未知的命令: %1").arg(options.command));
    if (positional.size() < 2)
        return CommandLine::usageError(kProgram, QStringLiteral("缺少输入文件 (标准输入请写 -)"));
    options.input = positional.at(1);
    if (parser.isSet(QStringLiteral("output")) && options.command != QLatin1String("dedupe"))
        return CommandLine::usageError(
            kProgram, QStringLiteral("只有 dedupe 写出号码, -o 不能用于 %1").arg(options.command));
    if (parser.isSet(QStringLiteral("output")))
        options.output = parser.value(QStringLiteral("output"));
    return std::nullopt;
}

struct Input
{
    QByteArray bytes;
    QString error; // empty when read
};

// Reads the rest of fd, at most the import's limit. Pipes and terminals are read as they come.
Input readAll(int fd, const QString& name, qint64 size, ConsoleProgress& progress)
{
    Input input;
    input.bytes.reserve(size > 0 ? size + 1 : kReadChunk);
    progress.setShown(size >= kProgressFromBytes);
    progress.begin(QStringLiteral("读取"), size);
    for (;;) {
        const qsizetype at = input.bytes.size();
        if (input.bytes.capacity() == at)
            input.bytes.reserve(at * 2);
        const qsizetype room = std::min(kReadChunk, input.bytes.capacity() - at);
        input.bytes.resize(at + room);
        const ssize_t got = ::read(fd, input.bytes.data() + at, std::size_t(room));
        input.bytes.resize(at + std::max<qsizetype>(got, 0));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {{}, QStringLiteral("无法读取 %1: %2").arg(shownName(name), systemError())};
        if (got == 0)
            break;
        if (input.bytes.size() > kMaxNumberFileBytes)
            return {{},
                    QStringLiteral("%1 过大 (超过%2MB), 请分开处理")
                        .arg(shownName(name))
                        .arg(kMaxNumberFileBytes >> 20)};
        progress.setShown(progress.isShown() || input.bytes.size() >= kProgressFromBytes);
        progress.advance(input.bytes.size());
    }
    progress.end();
    return input;
}

Input readInput(const QString& name, ConsoleProgress& progress)
{
    const bool standardInput = name == QLatin1String("-");
    const int fd =
        standardInput ? STDIN_FILENO : ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {{}, QStringLiteral("无法打开 %1: %2").arg(name, systemError())};
    struct stat info = {};
    Input input;
    if (::fstat(fd, &info) != 0)
        input.error = QStringLiteral("无法读取 %1: %2").arg(shownName(name), systemError());
    else if (S_ISDIR(info.st_mode))
        input.error = QStringLiteral("%1 是文件夹, 不是号码文件").arg(name);
    else if (S_ISREG(info.st_mode) && info.st_size > kMaxNumberFileBytes)
        input.error = QStringLiteral("%1 过大 (超过%2MB), 请分开处理")
                          .arg(shownName(name))
                          .arg(kMaxNumberFileBytes >> 20);
    else
        input = readAll(fd, name, S_ISREG(info.st_mode) ? info.st_size : 0, progress);
    if (!standardInput)
        ::close(fd);
    return input;
}

// What the import refuses in a file it could read.
QString refusal(const QByteArray& bytes, const QString& name)
{
    if (!isUtf16(bytes) && bytes.contains('\0'))
        return QStringLiteral("%1 不是文本文件 (含有 NUL 字节)").arg(shownName(name));
    if (bytes.count('\n') > kMaxLines)
        return QStringLiteral("%1 超过500万行, 请分开处理").arg(shownName(name));
    return {};
}

bool writeLines(QIODevice& device, const LineList& lines, ConsoleProgress& progress, bool* encoded)
{
    progress.begin(QStringLiteral("写出"), lines.size());
    *encoded = true;
    for (qsizetype from = 0; from < lines.size(); from += kLinesPerWrite) {
        bool chunkEncoded = true;
        const QByteArray bytes =
            gbkLines(lines, from, std::min(lines.size(), from + kLinesPerWrite), &chunkEncoded);
        *encoded = *encoded && chunkEncoded;
        if (device.write(bytes) != bytes.size())
            return false;
        progress.advance(from);
    }
    progress.end();
    return true;
}

// A file named by -o is replaced only once it is written whole.
QString writeNumbers(const QString& output, const LineList& lines, ConsoleProgress& progress, bool* encoded)
{
    if (output == QLatin1String("-")) {
        QFile out;
        if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly) || !writeLines(out, lines, progress, encoded) ||
            !out.flush())
            return QStringLiteral("无法写入标准输出: %1").arg(out.errorString());
        return {};
    }
    QSaveFile out(output);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly) || !writeLines(out, lines, progress, encoded) || !out.commit())
        return QStringLiteral("无法写入 %1: %2").arg(output, out.errorString());
    return {};
}

int dedupe(const Options& options, LineList numbers, ConsoleProgress& progress)
{
    const qsizetype read = numbers.size();
    progress.begin(QStringLiteral("去重"), read);
    const LineList unique = removeDuplicates(numbers, [&](qsizetype walked) { progress.advance(walked); });
    progress.end();
    numbers.clear();
    bool encoded = true;
    if (const QString error = writeNumbers(options.output, unique, progress, &encoded); !error.isEmpty())
        return fail(kUnreadable, error);
    if (!encoded)
        say(QStringLiteral("%1: 提示: 无法以GBK保存的字符已写成\"?\"!\n").arg(kProgram));
    if (ConsoleProgress::standardErrorIsTerminal())
        say(QStringLiteral("%1: 读入 %2 条, 去掉重复 %3 条, 写出 %4 条\n")
                .arg(kProgram)
                .arg(read)
                .arg(read - unique.size())
                .arg(unique.size()));
    return 0;
}

// The manual-entry rule's messages, with the line's place in the file.
QString rejection(const NumberCheck& check, qint64 line, const QString& text)
{
    if (check.reason == NumberCheck::Shape)
        return QStringLiteral("[第%1行/长度%2位]不是有效手机号码[数字类型]: %3\n")
            .arg(line)
            .arg(check.length)
            .arg(text);
    return QStringLiteral("[第%1行]不是有效手机号码[数字类型]: %2\n").arg(line).arg(text);
}

int check(const LineList& numbers, const QList<qint64>& lineNumbers, ConsoleProgress& progress)
{
    qint64 counts[3] = {0, 0, 0}; // accepted, skipped, rejected
    int checked = 0;
    QByteArray report;
    progress.begin(QStringLiteral("检查"), numbers.size());
    for (qsizetype k = 0; k < numbers.size(); ++k) {
        const QString text = numbers.at(k);
        const NumberCheck result = CheckNumberLine(text, checked);
        ++counts[result.result];
        if (result.result == NumberCheck::Rejected)
            report += rejection(result, lineNumbers.at(k), text).toUtf8();
        if (k % kProgressStep == 0)
            progress.advance(k);
    }
    progress.end();
    report += QStringLiteral("共 %1 条: 合格 %2 条, 不检查 %3 条, 不合格 %4 条\n")
                  .arg(numbers.size())
                  .arg(counts[NumberCheck::Accepted])
                  .arg(counts[NumberCheck::Skipped])
                  .arg(counts[NumberCheck::Rejected])
                  .toUtf8();
    if (std::fwrite(report.constData(), 1, std::size_t(report.size()), stdout) !=
            std::size_t(report.size()) ||
        std::fflush(stdout) != 0)
        return fail(kUnreadable, QStringLiteral("无法写入标准输出: %1").arg(systemError()));
    return 0;
}

} // namespace

int run(const QStringList& arguments)
{
    Options options;
    if (const auto answer = parse(arguments, options)) {
        CommandLine::print(*answer);
        return answer->exitCode;
    }
    ConsoleProgress progress(kProgram);
    Input input = readInput(options.input, progress);
    if (input.error.isEmpty())
        input.error = refusal(input.bytes, options.input);
    if (!input.error.isEmpty())
        return fail(kUnreadable, input.error);
    const bool checking = options.command == QLatin1String("check");
    QList<qint64> lineNumbers;
    LineList numbers = numberLines(std::move(input.bytes), checking ? &lineNumbers : nullptr);
    if (options.command == QLatin1String("count")) {
        std::printf("%lld\n", static_cast<long long>(numbers.size()));
        return std::fflush(stdout) == 0
                   ? 0
                   : fail(kUnreadable, QStringLiteral("无法写入标准输出: %1").arg(systemError()));
    }
    if (checking)
        return check(numbers, lineNumbers, progress);
    return dedupe(options, std::move(numbers), progress);
}

} // namespace NumbersCommand
