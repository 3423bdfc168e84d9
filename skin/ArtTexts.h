#pragma once

#include <QRect>
#include <QString>

#include <array>

// The words the artwork draws into the backgrounds, each with the box it takes in its picture's
// pixels. The generator paints them; the windows lay the same words, unpainted, over those
// boxes, so that a screen reader finds what the eye reads.
namespace ArtTexts {

struct Placed
{
    const char* text; // UTF-8
    QRect box;

    QString string() const { return QString::fromUtf8(text); }
};

// Main window (800 x 582).
inline constexpr Placed kMainSubtitle{"短信群发客户端", {78, 46, 100, 17}};
inline constexpr Placed kMainSlogan{"安全 · 快速 · 稳定", {30, 541, 100, 14}};
inline constexpr Placed kNumberList{"号码列表", {153, 139, 80, 16}};
inline constexpr Placed kMessage{"短信内容", {327, 139, 80, 16}};
inline constexpr Placed kCharacters{"字数统计", {670, 139, 80, 16}};
inline constexpr Placed kSending{"发送统计", {327, 263, 80, 16}};
inline constexpr Placed kUsage{"使用说明", {327, 360, 80, 16}};
inline constexpr std::array<Placed, 4> kUsageSteps{{
    {"1. 点击左侧“导入号码”或“手动加入”，把手机号码加入号码列表；", {335, 388, 445, 16}},
    {"2. 在“短信内容”中输入要发送的文字，系统自动计算字数和条数；", {335, 412, 445, 16}},
    {"3. 点击右上方“提交发送”，短信经审核后发出；", {335, 436, 445, 16}},
    {"4. 在号码列表上点右键，可以删除、导入、导出或清空号码。", {335, 460, 445, 16}},
}};

// Login window (614 x 362).
inline constexpr Placed kLoginSubtitle{"短信群发平台 · 用户登录", {76, 48, 180, 17}};
inline constexpr Placed kLoginSlogan{"专业 · 稳定 · 安全的短信群发服务", {390, 90, 206, 16}};
inline constexpr Placed kLoginHeading{"用户登录", {24, 134, 80, 18}};
inline constexpr Placed kLoginName{"帐号:", {26, 162, 44, 17}};
inline constexpr Placed kLoginPassword{"密码:", {26, 187, 44, 17}};
inline constexpr Placed kServiceHeading{"一次编辑，批量送达", {356, 155, 240, 20}};
inline constexpr std::array<Placed, 4> kServicePoints{{
    {"号码导入、去除重复，一键完成", {370, 193, 220, 16}},
    {"按条计费，余额随时可查", {370, 219, 220, 16}},
    {"提交后经审核发送，安全可靠", {370, 245, 220, 16}},
    {"新用户请点击左侧“注册充值”", {370, 271, 220, 16}},
}};
inline constexpr Placed kLoginFooter{"Kavrel 短信群发", {500, 335, 100, 13}};

// Notification popup (271 x 143).
inline constexpr Placed kPopupHeading{"新短信待审核", {42, 8, 150, 18}};
inline constexpr Placed kPopupHint{"请及时处理", {42, 28, 120, 14}};

// Profile picture (634 x 277).
inline constexpr Placed kProfileHeading{"账户安全小贴士", {206, 22, 240, 22}};
inline constexpr std::array<Placed, 4> kProfileTips{{
    {"修改资料需要填写原用户名和原密码；", {224, 64, 400, 17}},
    {"新密码请使用英文字母加数字，最多25个字符；", {224, 91, 400, 17}},
    {"昵称或公司不需要修改时，请留空；", {224, 118, 400, 17}},
    {"修改成功后请重新登陆，以更新显示的信息。", {224, 145, 400, 17}},
}};

} // namespace ArtTexts
