#include "MediaWarmUp.h"

#include <gst/gst.h>

namespace {

void warmUp()
{
    // Safe beside the media backend's own call: initialisation is made once, under a lock.
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return;
    // An audio output starts a device monitor, which loads every device provider it may use.
    GList* providers = gst_device_provider_factory_list_get_device_providers(GST_RANK_MARGINAL);
    for (GList* item = providers; item; item = item->next) {
        if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(item->data)))
            gst_object_unref(loaded);
    }
    gst_plugin_feature_list_free(providers);
    // What playing a course's first sound (a WAVE file) loads, through the playback bin.
    for (const char* name : { "coreelements", "playback", "typefindfunctions", "wavparse", "audioconvert", "audioresample", "volume",
             "autodetect", "pulseaudio" }) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name))
            gst_object_unref(plugin);
    }
}

} // namespace

MediaWarmUp::MediaWarmUp()
    : m_thread(warmUp)
{
}

MediaWarmUp::~MediaWarmUp()
{
    m_thread.join();
}
