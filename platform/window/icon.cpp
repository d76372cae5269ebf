#include "platform/window/icon.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <map>
#include <memory>

#include "platform/system/resources.h"
#include "platform/window/icon_impl.h"

HICON LoadIconW(void*, UINT id) {
    static std::map<UINT, std::unique_ptr<IconData>> icons;
    auto it = icons.find(id);
    if (it != icons.end()) return it->second.get();
    const auto bytes = platform::FindResource("ICON", id);
    if (!bytes) return nullptr;
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), int(bytes->size()))) return nullptr;
    auto data = std::make_unique<IconData>();
    data->icon = QIcon(QPixmap::fromImage(image));
    HICON icon = data.get();
    icons.emplace(id, std::move(data));
    return icon;
}
