// The sound system's warm-up, in a process of its own: nothing else here loads GStreamer's
// plugins, so what is loaded afterwards is what the warm-up loaded.
#include "MediaWarmUp.h"

#include <QtTest>
#include <gst/gst.h>

class TestMediaWarmUp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsWhatTheFirstSoundAndTheDeviceListNeed()
    {
        QVERIFY(!gst_is_initialized());
        { MediaWarmUp warmUp; } // waited for as it goes
        QVERIFY(gst_is_initialized());
        const auto loaded = [](const char* name) {
            GstPlugin* plugin = gst_registry_find_plugin(gst_registry_get(), name);
            const bool isLoaded = plugin && gst_plugin_is_loaded(plugin);
            if (plugin)
                gst_object_unref(plugin);
            return isLoaded;
        };
        for (const char* name : { "playback", "wavparse", "typefindfunctions", "pulseaudio", "audioconvert" })
            QVERIFY2(loaded(name), name);
        GList* providers = gst_device_provider_factory_list_get_device_providers(GST_RANK_MARGINAL);
        QVERIFY(providers);
        for (GList* item = providers; item; item = item->next)
            QVERIFY2(loaded(gst_plugin_feature_get_plugin_name(GST_PLUGIN_FEATURE(item->data))), GST_OBJECT_NAME(item->data));
        gst_plugin_feature_list_free(providers);
    }
};

QTEST_GUILESS_MAIN(TestMediaWarmUp)
#include "tst_mediawarmup.moc"
