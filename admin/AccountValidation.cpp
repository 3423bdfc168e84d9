#include "admin/AccountValidation.h"

#include "common/Gbk.h"
#include "db/StorableText.h"

#include <QList>

namespace AccountValidation {
namespace {

constexpr int kMaxBytes = 25;

Notice plain(const QString& text)
{
    return {text, false};
}

Notice oops(const QString& text)
{
    return {text, true};
}

// Empty, double-byte and length tests of a name or password, in that order.
struct NameTexts
{
    QString empty;
    QString doubleByte;
    QString tooLong;
};

std::optional<Notice> checkName(const QString& text, const NameTexts& texts, bool emptyChecked = true)
{
    if (emptyChecked && text.isEmpty())
        return plain(texts.empty);
    if (Gbk::containsDoubleByte(text))
        return oops(texts.doubleByte);
    if (Gbk::byteLength(text) > kMaxBytes)
        return plain(texts.tooLong);
    return std::nullopt;
}

bool allDigits(const QString& text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Fixed lines with their area code (0 and 9 to 11 more digits) and mobiles beginning with 13,
// 15 or 18.
bool isRegistrationNumber(const QString& digits)
{
    switch (digits.size()) {
    case 10:
    case 12:
        return digits.startsWith(QLatin1Char('0'));
    case 11:
        return digits.startsWith(QLatin1Char('0')) || digits.startsWith(QStringLiteral("13")) ||
               digits.startsWith(QStringLiteral("15")) || digits.startsWith(QStringLiteral("18"));
    default:
        return false;
    }
}

struct Field
{
    QString label;
    const QString* text;
    int maxLength; // characters; 0: the byte rule already limits it
};

// What the database or the code page could not keep, or a text longer than its column: told
// after the form's own rules, so those keep their order and texts.
std::optional<Notice> checkStorable(const QList<Field>& fields)
{
    for (const Field& field : fields) {
        const QString problem = unstorableCharacter(*field.text);
        if (!problem.isEmpty())
            return plain(problem);
    }
    for (const Field& field : fields) {
        if (field.maxLength > 0 && field.text->size() > field.maxLength)
            return plain(QStringLiteral("提示: %1最多%2个字!").arg(field.label).arg(field.maxLength));
    }
    return std::nullopt;
}

const NameTexts kChangeTexts{QStringLiteral("提示: 请填写英文加数字!"), QStringLiteral("请填写英文加数字!"),
                             QStringLiteral("提示: 最多25个英文加数字!")};

} // namespace

QString withoutBlanks(QString text)
{
    text.remove(QLatin1Char(' '));
    return text;
}

void CreationFields::removeBlanks()
{
    for (QString* text :
         {&loginName, &password, &repeatedPassword, &nickname, &company, &telephone, &address})
        *text = withoutBlanks(*text);
}

void ChangeFields::removeBlanks()
{
    for (QString* text : {&loginName, &currentPassword, &newPassword, &repeatedPassword, &nickname, &company})
        *text = withoutBlanks(*text);
}

std::optional<Notice> checkCreation(const CreationFields& f, NumberRule rule)
{
    if (f.nickname.isEmpty())
        return plain(QStringLiteral("昵称不能为空!"));
    if (f.company.isEmpty())
        return plain(QStringLiteral("公司名称不能为空!"));
    if (f.telephone.isEmpty())
        return plain(QStringLiteral("手机号码或电话没有填写!"));
    if (f.address.isEmpty())
        return plain(QStringLiteral("联系地址或公司地址!"));
    if (f.loginName.isEmpty())
        return plain(QStringLiteral("提示: 用户名请填写英文加数字!"));
    if (!allDigits(f.telephone))
        return plain(QStringLiteral("提示:不是有效11位手机号码[数字类型]"));
    if (rule == NumberRule::Registration && !isRegistrationNumber(f.telephone))
        return oops(QStringLiteral("提示:不是有效手机号码[号码不合法]"));
    if (rule == NumberRule::AddUser && f.telephone.size() > 11)
        return plain(QStringLiteral("提示: 最多11个数字号码!"));
    std::optional<Notice> fault = checkName(f.loginName,
                                            {QString(), QStringLiteral("用户名请填写英文加数字!"),
                                             QStringLiteral("提示: 用户名最多25个英文加数字!")},
                                            false);
    if (!fault)
        fault = checkName(f.password, {QStringLiteral("提示: 密码请填写英文加数字!"),
                                       QStringLiteral("密码请填写英文加数字!"),
                                       QStringLiteral("提示: 密码最多25个英文加数字!")});
    if (!fault)
        fault = checkName(f.repeatedPassword, {QStringLiteral("提示: 重复密码请填写英文加数字!"),
                                               QStringLiteral("重复密码请填写英文加数字!"),
                                               QStringLiteral("提示: 重复密码最多25个英文加数字!")});
    if (!fault && f.password != f.repeatedPassword)
        fault = plain(QStringLiteral("提示: 重复输入的密码不相同!"));
    if (!fault)
        fault = checkStorable({{QStringLiteral("用户名"), &f.loginName, 0},
                               {QStringLiteral("密码"), &f.password, 0},
                               {QStringLiteral("昵称"), &f.nickname, kMaxNameText},
                               {QStringLiteral("公司名称"), &f.company, kMaxNameText},
                               {QStringLiteral("手机号码或电话"), &f.telephone, 0},
                               {QStringLiteral("地址"), &f.address, kMaxAddress}});
    return fault;
}

std::optional<Notice> checkChange(const ChangeFields& f)
{
    std::optional<Notice> fault = checkName(f.loginName, kChangeTexts);
    if (!fault)
        fault = checkName(f.repeatedPassword, kChangeTexts);
    if (!fault)
        fault = checkName(f.newPassword, kChangeTexts);
    if (!fault && f.newPassword != f.repeatedPassword)
        fault = plain(QStringLiteral("提示: 重复输入的密码不相同!"));
    if (!fault)
        fault = checkStorable({{QStringLiteral("用户名"), &f.loginName, 0},
                               {QStringLiteral("原密码"), &f.currentPassword, 0},
                               {QStringLiteral("密码"), &f.newPassword, 0},
                               {QStringLiteral("昵称"), &f.nickname, kMaxNameText},
                               {QStringLiteral("公司"), &f.company, kMaxNameText}});
    return fault;
}

} // namespace AccountValidation
