#include "DiscStreams.h"

#include "DiscFileStream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <mutex>
#include <optional>

namespace {

struct Offers {
    std::mutex lock;
    QHash<QString, DiscStreams::Offer> byPath;
};

Offers& offers()
{
    static Offers all;
    return all;
}

QString keyOf(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

std::optional<DiscStreams::Offer> offerFor(const QString& path)
{
    if (QFileInfo(path).isFile())
        return std::nullopt;
    Offers& all = offers();
    const std::lock_guard<std::mutex> hold(all.lock);
    const auto found = all.byPath.constFind(keyOf(path));
    if (found == all.byPath.cend())
        return std::nullopt;
    return *found;
}

} // namespace

void DiscStreams::offer(const QString& path, const Offer& offer)
{
    Offers& all = offers();
    const std::lock_guard<std::mutex> hold(all.lock);
    all.byPath.insert(keyOf(path), offer);
}

void DiscStreams::withdraw(const QString& path)
{
    Offers& all = offers();
    const std::lock_guard<std::mutex> hold(all.lock);
    all.byPath.remove(keyOf(path));
}

bool DiscStreams::isStreamed(const QString& path)
{
    return offerFor(path).has_value();
}

DiscStreams::Opener DiscStreams::opener(const QString& path)
{
    const auto offer = offerFor(path);
    return offer ? offer->open : Opener();
}

std::unique_ptr<QIODevice> DiscStreams::open(const QString& path)
{
    if (const Opener stream = opener(path)) {
        auto device = std::make_unique<DiscFileStream>(stream());
        device->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        return device;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    return file;
}

QString DiscStreams::openError(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString() : file.errorString();
}

bool DiscStreams::finish(const QString& path)
{
    const auto offer = offerFor(path);
    if (offer && offer->finish)
        offer->finish();
    return QFileInfo(path).isFile();
}
