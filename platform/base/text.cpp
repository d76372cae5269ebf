#include "platform/base/types.h"

#include <QString>

std::u16string Utf8ToUtf16(std::string_view s) {
    const QString q = QString::fromUtf8(s.data(), qsizetype(s.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(q.utf16()), size_t(q.size()));
}

std::string Utf16ToUtf8(std::u16string_view s) {
    const QString q = QString::fromUtf16(s.data(), qsizetype(s.size()));
    return q.toStdString();
}
