#include "DiscSource.h"

#include "DiscFileReader.h"

#include <QHash>
#include <QString>
#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>
#include <mutex>

namespace {

constexpr const char* scheme = "tamsel-disc";

struct Published {
    std::mutex lock;
    QHash<quint64, std::shared_ptr<const DiscFileReader>> byId;
    quint64 last = 0;
};

Published& published()
{
    static Published all;
    return all;
}

std::shared_ptr<const DiscFileReader> readerOf(const char* uri)
{
    const QUrl url(QString::fromUtf8(uri));
    bool ok = false;
    const quint64 id = url.path().mid(1).toULongLong(&ok);
    Published& all = published();
    const std::lock_guard<std::mutex> hold(all.lock);
    return ok && url.scheme() == QLatin1String(scheme) ? all.byId.value(id) : nullptr;
}

} // namespace

// The element, in GObject's terms.
extern "C" {

struct TamselDiscSrc {
    GstBaseSrc parent;
    gchar* uri;
    std::shared_ptr<const DiscFileReader>* reader; ///< while started
};

struct TamselDiscSrcClass {
    GstBaseSrcClass parent_class;
};

static void tamsel_disc_src_uri_handler_init(gpointer iface, gpointer data);

G_DEFINE_TYPE_WITH_CODE(TamselDiscSrc, tamsel_disc_src, GST_TYPE_BASE_SRC,
    G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER, tamsel_disc_src_uri_handler_init))

} // extern "C"

namespace {

TamselDiscSrc* self(gpointer object)
{
    return reinterpret_cast<TamselDiscSrc*>(object);
}

void finalize(GObject* object)
{
    g_free(self(object)->uri);
    delete self(object)->reader;
    G_OBJECT_CLASS(tamsel_disc_src_parent_class)->finalize(object);
}

gboolean start(GstBaseSrc* base)
{
    TamselDiscSrc* src = self(base);
    std::shared_ptr<const DiscFileReader> reader = src->uri ? readerOf(src->uri) : nullptr;
    if (!reader) {
        GST_ELEMENT_ERROR(base, RESOURCE, NOT_FOUND, ("the file of the disc image is no longer offered (%s)", src->uri ? src->uri : ""), (nullptr));
        return FALSE;
    }
    delete src->reader;
    src->reader = new std::shared_ptr<const DiscFileReader>(std::move(reader));
    return TRUE;
}

gboolean stop(GstBaseSrc* base)
{
    delete self(base)->reader;
    self(base)->reader = nullptr;
    return TRUE;
}

gboolean getSize(GstBaseSrc* base, guint64* size)
{
    if (!self(base)->reader)
        return FALSE;
    *size = guint64((*self(base)->reader)->size());
    return TRUE;
}

gboolean isSeekable(GstBaseSrc*)
{
    return TRUE;
}

GstFlowReturn fill(GstBaseSrc* base, guint64 offset, guint length, GstBuffer* buffer)
{
    const DiscFileReader& reader = **self(base)->reader;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE))
        return GST_FLOW_ERROR;
    qint64 done = 0;
    qint64 got = 0;
    while (done < qint64(length) && (got = reader.read(qint64(offset) + done, reinterpret_cast<char*>(map.data) + done, qint64(length) - done)) > 0)
        done += got;
    gst_buffer_unmap(buffer, &map);
    if (got < 0) {
        GST_ELEMENT_ERROR(base, RESOURCE, READ, ("%s", reader.failure().toUtf8().constData()), (nullptr));
        return GST_FLOW_ERROR;
    }
    if (done == 0)
        return GST_FLOW_EOS;
    gst_buffer_resize(buffer, 0, done);
    GST_BUFFER_OFFSET(buffer) = offset;
    GST_BUFFER_OFFSET_END(buffer) = offset + guint64(done);
    return GST_FLOW_OK;
}

GstURIType uriType(GType)
{
    return GST_URI_SRC;
}

const gchar* const* protocols(GType)
{
    static const gchar* const names[] = { scheme, nullptr };
    return names;
}

gchar* getUri(GstURIHandler* handler)
{
    return g_strdup(self(handler)->uri);
}

gboolean setUri(GstURIHandler* handler, const gchar* uri, GError**)
{
    g_free(self(handler)->uri);
    self(handler)->uri = g_strdup(uri);
    return TRUE;
}

void registerOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        gst_element_register(nullptr, "tamseldiscsrc", GST_RANK_PRIMARY, tamsel_disc_src_get_type());
    });
}

} // namespace

extern "C" {

static void tamsel_disc_src_class_init(TamselDiscSrcClass* klass)
{
    static GstStaticPadTemplate source = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &source);
    gst_element_class_set_static_metadata(element, "Disc image file", "Source/File", "Reads a file where it lies on a disc image", "tamsel");
    G_OBJECT_CLASS(klass)->finalize = finalize;
    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    base->start = start;
    base->stop = stop;
    base->get_size = getSize;
    base->is_seekable = isSeekable;
    base->fill = fill;
}

static void tamsel_disc_src_init(TamselDiscSrc* src)
{
    src->uri = nullptr;
    src->reader = nullptr;
}

static void tamsel_disc_src_uri_handler_init(gpointer iface, gpointer)
{
    auto* handler = static_cast<GstURIHandlerInterface*>(iface);
    handler->get_type = uriType;
    handler->get_protocols = protocols;
    handler->get_uri = getUri;
    handler->set_uri = setUri;
}

} // extern "C"

QUrl DiscSource::publish(std::shared_ptr<const DiscFileReader> reader)
{
    registerOnce();
    Published& all = published();
    const std::lock_guard<std::mutex> hold(all.lock);
    all.byId.insert(++all.last, std::move(reader));
    return QUrl(QStringLiteral("%1:///%2").arg(QLatin1String(scheme)).arg(all.last));
}

void DiscSource::withdraw(const QUrl& uri)
{
    bool ok = false;
    const quint64 id = uri.path().mid(1).toULongLong(&ok);
    Published& all = published();
    const std::lock_guard<std::mutex> hold(all.lock);
    if (ok && uri.scheme() == QLatin1String(scheme))
        all.byId.remove(id);
}
