// The engine's filter stage and everything that touches its current preset.
#include <algorithm>
#include <cstring>

#include "vocalith/app/command_processor.h"
#include "vocalith/app/preset.h"
#include "sysport/runtime.h"

namespace app {

namespace {

// Copies nCount samples per channel from source to target (both at their
// offsets). Channels the source lacks are silenced; extra ones are dropped.
void copy_adapting(const app::sample_buffer& source, app::sample_buffer& target, unsigned int nCount)
{
    const std::uint32_t nShared = std::min(source.channel_count(), target.channel_count());
    for (std::uint32_t c = 0; c < nShared; ++c) {
        std::memcpy(target.data(c), source.data(c), nCount * sizeof(float));
    }
    for (std::uint32_t c = nShared; c < target.channel_count(); ++c) {
        std::memset(target.data(c), 0, nCount * sizeof(float));
    }
}

}  // namespace

void command_processor::spin_lock()
{
    unsigned char nFree = 0;
    while (!m_lock.compare_exchange_weak(nFree, 1, std::memory_order_acquire, std::memory_order_relaxed)) {
        while (m_lock.load(std::memory_order_relaxed) != 0) {
            sysport::yield_time_slice();
        }
        nFree = 0;
    }
}

void command_processor::spin_unlock() { m_lock.store(0, std::memory_order_release); }

std::shared_ptr<app::preset> command_processor::current_preset()
{
    spin_lock();
    std::shared_ptr<app::preset> preset = m_preset;
    spin_unlock();
    return preset;
}

void command_processor::apply_filter(app::sample_buffer& buffer, unsigned int count)
{
    if (!m_bActive.load(std::memory_order_relaxed)) {
        return;
    }
    // The local reference keeps the preset alive through the block even if
    // change replaces it meanwhile; dropping it may destroy the old preset here.
    const std::shared_ptr<app::preset> preset = current_preset();
    if (!preset) {
        return;
    }
    app::sample_buffer& result = preset->apply(buffer, count);
    if (&result != &buffer) {
        copy_adapting(result, buffer, count);
    }
}

void command_processor::change(std::shared_ptr<app::preset> preset)
{
    if (!preset) {
        return;
    }
    preset->activate();
    spin_lock();
    m_preset.swap(preset);
    // The old preset goes here if the engine held its last reference.
    preset.reset();
    spin_unlock();
}

bool command_processor::set_plugin_port_value(unsigned int nPlugin, unsigned int nPort, float value)
{
    const std::shared_ptr<app::preset> preset = current_preset();
    if (!preset) {
        return false;
    }
    return preset->set_control_port_value(nPlugin, nPort, value);
}

}  // namespace app
