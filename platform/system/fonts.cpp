#include "platform/system/fonts.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <QStringList>

namespace platform {

namespace {


std::u16string FromQString(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size()));
}

struct FaceAlias {
    std::u16string_view windowsName;
    std::u16string_view installedName;
};

// fonts-nanum carries the Korean faces, fonts-liberation2 the Arial metrics,
// fonts-dejavu-core the plain screen sans.
constexpr FaceAlias kFaceAliases[] = {
    {u"돋움체", u"NanumGothicCoding"},
    {u"굴림체", u"NanumGothicCoding"},
    {u"돋움", u"NanumGothic"},
    {u"굴림", u"NanumGothic"},
    {u"dotumche", u"NanumGothicCoding"},
    {u"gulimche", u"NanumGothicCoding"},
    {u"dotum", u"NanumGothic"},
    {u"gulim", u"NanumGothic"},
    {u"ms shell dlg", u"NanumGothic"},
    {u"ms shell dlg 2", u"NanumGothic"},
    {u"arial", u"Liberation Sans"},
    {u"system", u"DejaVu Sans"},
};

std::u16string LowerAscii(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    return out;
}

}  // namespace

PrivateFont AddPrivateFont(std::span<const std::byte> bytes) {
    PrivateFont result;
    // The font database exists only with the GUI application.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || bytes.empty())
        return result;
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const int id = QFontDatabase::addApplicationFontFromData(data);
    if (id < 0) return result;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        QFontDatabase::removeApplicationFont(id);
        return result;
    }
    result.handle = id;
    for (const QString& family : families) result.families.push_back(FromQString(family));
    return result;
}

bool RemovePrivateFont(int handle) {
    if (handle < 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    return QFontDatabase::removeApplicationFont(handle);
}

std::u16string ResolveFaceName(std::u16string_view faceName) {
    const std::u16string key = LowerAscii(faceName);
    for (const FaceAlias& alias : kFaceAliases)
        if (key == alias.windowsName) return std::u16string(alias.installedName);
    return std::u16string(faceName);
}

bool IsKoreanDialogFace(std::u16string_view faceName) {
    const std::u16string key = LowerAscii(faceName);
    return key == u"ms shell dlg" || key == u"굴림" || key == u"gulim";
}

}  // namespace platform
