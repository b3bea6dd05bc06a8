#include "platform/Sound.h"

#include "platform/FileSystem.h"

#include <atomic>
#include <canberra.h>
#include <chrono>

namespace pivora::platform {

namespace {

void OnFinished(ca_context*, uint32_t, int, void* userdata)
{
    static_cast<std::atomic<bool>*>(userdata)->store(true);
}

} // namespace

bool PlaySoundFile(const std::string& path, EventPump& pump)
{
    ca_context* context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS)
        return false;
    ca_proplist* properties = nullptr;
    ca_proplist_create(&properties);
    if (IsRegularFile(path))
        ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, path.c_str());
    else
        ca_proplist_sets(properties, CA_PROP_EVENT_ID, "complete");
    ca_proplist_sets(properties, CA_PROP_EVENT_DESCRIPTION, "Pivora batch finished");

    std::atomic<bool> finished{false};
    const int result = ca_context_play_full(context, 1, properties, OnFinished, &finished);
    bool played = result == CA_SUCCESS;
    if (played) {
        // The call returns at once; wait here for the end, as a blocking player would,
        // without freezing the window and never longer than a short chime can take.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!finished.load() && !pump.Quitting() && std::chrono::steady_clock::now() < deadline)
            pump.Wait(20, {});
    }
    ca_proplist_destroy(properties);
    ca_context_destroy(context);
    return played;
}

} // namespace pivora::platform
