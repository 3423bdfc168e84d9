#include "sending/Counters.h"

QString Counters::text(Counter counter) const
{
    switch (counter) {
    case Counter::Characters:
        return QStringLiteral("当前文字:%1 字").arg(characters);
    case Counter::Messages:
        return QStringLiteral("需发短信:%1 条").arg(messages);
    case Counter::Numbers:
        return (filtering ? QStringLiteral("过滤号码:%1 条") : QStringLiteral("文本导入:%1 条")).arg(numbers);
    case Counter::Submitted:
        return QStringLiteral("提交成功:%1 条").arg(submitted);
    case Counter::Failed:
        return QStringLiteral("提交失败:%1 条").arg(failed);
    case Counter::Recharged:
        return QStringLiteral("累计充值:%1 条").arg(recharged);
    case Counter::Sent:
        return (sentByRun ? QStringLiteral("累计发送:%1 次") : QStringLiteral("累计发送:%1 条")).arg(sent);
    case Counter::Balance:
        return QStringLiteral("剩余条数:%1 条").arg(balance);
    case Counter::SuccessRate:
        return successRate ? QStringLiteral("成功发送率:%1%").arg(*successRate)
                           : QStringLiteral("成功发送率:");
    }
    return {};
}
