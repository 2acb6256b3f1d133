#include "panes/DragData.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>

namespace {

// The private payload: a header line naming the process and the site, then
// the entry list in the clipboard's byte format. A site is known by its
// record's address in memory, which only means something in this process.
QByteArray Header(const CVamloSiteInfo* site)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
           QByteArray::number(static_cast<qulonglong>(reinterpret_cast<quintptr>(site))) + '\n';
}

std::optional<DroppedItems> ReadOwnItems(const QByteArray& payload, const CSiteList& sites)
{
    const qsizetype end = payload.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> fields = payload.left(end).split(' ');
    bool pidOk = false;
    bool siteOk = false;
    if (fields.size() != 2 || fields[0].toLongLong(&pidOk) != QCoreApplication::applicationPid() || !pidOk)
        return std::nullopt;
    const quintptr siteId = static_cast<quintptr>(fields[1].toULongLong(&siteOk));
    if (!siteOk)
        return std::nullopt;
    DroppedItems items;
    // The id is only compared, never followed: a site removed meanwhile is no site.
    for (const auto& site : sites)
        if (reinterpret_cast<quintptr>(site.get()) == siteId && siteId != 0)
            items.site = site.get();
    const auto* bytes = reinterpret_cast<const uint8_t*>(payload.constData() + end + 1);
    std::optional<CFileInfoList> entries = TryDecodeFileList(bytes, static_cast<size_t>(payload.size() - end - 1));
    if (!entries || entries->empty())
        return std::nullopt;
    // Remote entries need their site; local ones come with none.
    const bool remote = entries->front()->m_byLocation == LOCATION_REMOTE;
    if (remote ? items.site == nullptr : siteId != 0)
        return std::nullopt;
    items.entries = std::move(*entries);
    return items;
}

std::optional<DroppedItems> ReadFileUrls(const QList<QUrl>& urls)
{
    DroppedItems items;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        std::string path = url.toLocalFile().toStdString();
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        struct stat info {};
        if (path.empty() || stat(path.c_str(), &info) != 0)
            continue;
        auto entry = std::make_unique<CVaFileInfo>();
        entry->m_strPath = path;
        entry->m_byLocation = LOCATION_LOCAL;
        entry->m_bIsFolder = S_ISDIR(info.st_mode) ? 1 : 0;
        items.entries.push_back(std::move(entry));
    }
    if (items.entries.empty())
        return std::nullopt;
    return items;
}

} // namespace

QMimeData* CreateDragData(const CFileInfoList& entries, const CVamloSiteInfo* site)
{
    auto* data = new QMimeData;
    const std::vector<uint8_t> bytes = EncodeFileList(entries);
    data->setData(QString::fromLatin1(kDragItemsMimeType),
                  Header(site) + QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size())));
    QList<QUrl> urls;
    for (const auto& entry : entries)
        if (entry->m_byLocation == LOCATION_LOCAL)
            urls << QUrl::fromLocalFile(QString::fromStdString(entry->m_strPath));
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}

std::optional<DroppedItems> ReadDropData(const QMimeData& data, const CSiteList& sites)
{
    const QString own = QString::fromLatin1(kDragItemsMimeType);
    if (data.hasFormat(own)) {
        if (std::optional<DroppedItems> items = ReadOwnItems(data.data(own), sites))
            return items;
    }
    if (data.hasUrls())
        return ReadFileUrls(data.urls());
    return std::nullopt;
}
