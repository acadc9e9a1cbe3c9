#include "DiscTreeFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>

namespace {

// Changes to what the tree file holds change this, so that older ones are read again.
constexpr int treeFormat = 2;

QJsonObject objectIn(const QString& folder)
{
    QFile file(DiscTreeFile::path(folder));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

} // namespace

QString DiscTreeFile::path(const QString& folder)
{
    return folder + QStringLiteral("tree.json");
}

std::optional<DiscImage::Tree> DiscTreeFile::read(const QString& folder)
{
    const QJsonObject kept = objectIn(folder);
    if (kept.value(QStringLiteral("format")).toInt() != treeFormat)
        return std::nullopt;
    DiscImage::Tree tree;
    const bool known = DiscTree::namesFromText(kept.value(QStringLiteral("names")).toString(), tree.names);
    const QJsonArray entries = kept.value(QStringLiteral("entries")).toArray();
    if (!known || entries.isEmpty())
        return std::nullopt;
    for (const QJsonValue& value : entries) {
        const QJsonArray row = value.toArray();
        if (row.size() != 4)
            return std::nullopt;
        const QStringList components = row.at(0).toString().split(QLatin1Char('/'));
        if (!std::all_of(components.cbegin(), components.cend(), DiscImage::isPlainName))
            return std::nullopt;
        tree.entries << DiscImage::Entry { row.at(0).toString(), row.at(1).toBool(), quint32(row.at(2).toDouble()), quint32(row.at(3).toDouble()) };
    }
    return tree;
}

QString DiscTreeFile::imageOf(const QString& folder)
{
    return objectIn(folder).value(QStringLiteral("image")).toString();
}

void DiscTreeFile::write(const QString& folder, const QString& image, const DiscImage::Tree& tree)
{
    QJsonArray entries;
    for (const DiscImage::Entry& entry : tree.entries)
        entries.append(QJsonArray { entry.path, entry.folder, double(entry.sector), double(entry.size) });
    const QJsonObject kept { { QStringLiteral("format"), treeFormat }, { QStringLiteral("image"), image },
        { QStringLiteral("names"), DiscImage::namesText(tree.names) }, { QStringLiteral("entries"), entries } };
    QSaveFile file(path(folder));
    if (file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(kept).toJson(QJsonDocument::Compact)) >= 0 && file.commit())
        QFile::setPermissions(path(folder), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
