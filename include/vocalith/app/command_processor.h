// The engine of a converter: decode, filter through the current preset,
// encode, with carry-over tails so that input blocks of any length work.
#ifndef VOCALITH_APP_COMMAND_PROCESSOR_H
#define VOCALITH_APP_COMMAND_PROCESSOR_H

#include <atomic>
#include <cstdint>
#include <memory>

#include "vocalith/app/data_sink.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/stream_format.h"
#include "vocalith/codec/records.h"
#include "vocalith/export.h"
#include "vocalith/sigtools/dtmf_detector.h"
#include "vocalith/sigtools/dtmf_event.h"

namespace codec {
class abstract_codec;
}
namespace ladspa {
class plugin_factory;
}

namespace app {

class preset;

// Threads: process, process_tail and detect_dtmf belong to one processing
// thread and must not overlap one another. change, set_plugin_port_value,
// stop, suspend and resume may be called from any thread at any time,
// including from a DTMF handler inside process.
class VOCALITH_API command_processor {
public:
    // Forwards the keys of the engine's detector to the host's handler. The
    // detector works at the engine's sample rate; positions count the samples
    // per channel decoded since the engine was built.
    class VOCALITH_API dtmf : public sigtools::dtmf_key_event {
    public:
        explicit dtmf(unsigned int nSampleRate);
        ~dtmf() override;
        dtmf(const dtmf&) = delete;
        dtmf& operator=(const dtmf&) = delete;

        // nTone: the key's ASCII character ('0'-'9', '*', '#', 'A'-'D').
        void on_tone(int nTone) override;
        // Passed on when the handler is a sigtools::dtmf_key_event.
        void on_key(int nTone, std::uint64_t nOnset, std::uint64_t nEnd) override;

        // Takes nCount newly decoded samples of channel 0 of a stream of
        // nChannelCount channels. A plain handler hears mono streams only; a
        // sigtools::dtmf_key_event handler hears channel 0 of any stream.
        void feed(const float* pSamples, unsigned int nCount, unsigned int nChannelCount);
        // The end of a stream: a key still sounding ends here.
        void finish(unsigned int nChannelCount);
        void set_handler(sigtools::dtmf_event* pHandler);

        sigtools::dtmf_detector<float> m_detector;
        sigtools::dtmf_event* m_forward;  // not owned; null when none is registered
        sigtools::dtmf_key_event* m_pKeyForward;  // m_forward when it wants positions, else null
        std::uint64_t m_nDecoded;  // samples per channel decoded so far
    };

    // Reads channel count, block size and bypass from s_Global now. factory
    // must outlive the engine. A non-empty preset is activated here.
    command_processor(ladspa::plugin_factory& factory, std::shared_ptr<app::preset> preset);
    // The same for the channel count and block size of format, which the
    // preset's instances must have been made for. Throws app::exception when
    // a value is out of range (channels 1..256, rate 1..768000 Hz, block
    // 1..65536 samples).
    command_processor(ladspa::plugin_factory& factory, std::shared_ptr<app::preset> preset,
                      const stream_format& format);
    ~command_processor();
    command_processor(const command_processor&) = delete;
    command_processor& operator=(const command_processor&) = delete;

    // Converts nSize bytes at pData with codec (borrowed; its channel count
    // must be the engine's) and writes the output to sink. Returns the samples
    // per channel encoded during this call. A null codec hands the input to the
    // sink unchanged and returns 0. Allocates nothing.
    unsigned int process(app::data_sink& sink, const void* pData, unsigned int nSize,
                         codec::abstract_codec* codec);

    // Ends a stream: filters and encodes the samples still held, padded with
    // zeros to whole filter and encoder blocks (the padding is not output
    // beyond the encoder block). A DTMF key still sounding is reported as
    // ending there. Returns the samples per channel that were pending.
    // Undecoded input bytes stay for the next process.
    unsigned int process_tail(app::data_sink& sink, codec::abstract_codec* codec);

    // Forgets the input bytes short of one coded unit, so that the next
    // stream starts clean; returns how many there were.
    unsigned int drop_input_tail();

    // Makes preset current from the next filter block on; it is activated
    // first. An empty preset is ignored. A block running on the processing
    // thread finishes with the old preset, which is destroyed by whoever drops
    // its last reference.
    void change(std::shared_ptr<app::preset> preset);

    // Sets input control nPort (counting input control ports from 0) of
    // plugin nPlugin (counting every chain entry from 0) of the current
    // preset. False when there is no such plugin or port.
    bool set_plugin_port_value(unsigned int nPlugin, unsigned int nPort, float value);

    ladspa::plugin_factory& get_ladspa_factory() { return m_factory; }

    // Registers handler for the keys found in channel 0 of mono input (of any
    // input for a sigtools::dtmf_key_event, which also gets each key's onset
    // and end); null switches detection off. Not owned. Not while process
    // runs; may be called between process calls.
    void detect_dtmf(sigtools::dtmf_event* handler);

    // Sets the process-wide quit flag (for every engine of the process).
    void stop();
    bool isQuit() const;
    // Switch the filter stage off and on from the next block.
    void suspend();
    void resume();

    // Held tail sizes: input bytes, and samples per channel short of a filter
    // block and of an encoder block.
    unsigned int tail_input_size() const;
    unsigned int tail_filter_count() const { return m_tailFilter.nCount; }
    unsigned int tail_output_count() const { return m_tailOutput.nCount; }

private:
    // First-in first-out byte store, 32-byte aligned; allocated once.
    class byte_buffer {
    public:
        explicit byte_buffer(unsigned int nCapacity);
        ~byte_buffer();
        byte_buffer(const byte_buffer&) = delete;
        byte_buffer& operator=(const byte_buffer&) = delete;

        const unsigned char* begin() const { return m_pBegin; }
        unsigned char* start() { return m_pStart; }
        unsigned int size() const { return static_cast<unsigned int>(m_pEnd - m_pBegin); }
        unsigned int capacity() const { return m_nCapacity; }
        unsigned int room() const { return m_nCapacity - size(); }
        bool empty() const { return m_pBegin == m_pEnd; }
        void append(const void* pData, unsigned int nSize);
        void clear() { m_pBegin = m_pEnd = m_pStart; }

    private:
        unsigned char* m_pStart;
        unsigned char* m_pRaw;
        unsigned int m_nCapacity;
        unsigned char* m_pBegin;
        unsigned char* m_pEnd;
    };

    // Samples held from offset 0 between calls.
    struct sample_tail {
        sample_tail(std::uint32_t nChannelCount, std::uint32_t nSampleCount)
            : buffer(nChannelCount, nSampleCount), nCount(0)
        {
        }
        void append_zeros(std::uint32_t n)
        {
            buffer.clear(nCount, n);
            nCount += n;
        }

        app::sample_buffer buffer;
        std::uint32_t nCount;
    };

    void apply_filter(app::sample_buffer& buffer, unsigned int count);
    std::shared_ptr<app::preset> current_preset();
    void spin_lock();
    void spin_unlock();

    // Pipeline steps of process; see the source.
    std::uint32_t assemble();
    codec::decode_result decode(const unsigned char*& pCursor, const unsigned char* pEnd,
                                codec::abstract_codec& codec, std::uint32_t nPosition);
    std::uint32_t filter(std::uint32_t nFrom, std::uint32_t nTo);
    std::uint32_t encode(app::data_sink& sink, codec::abstract_codec& codec, std::uint32_t nCount);
    std::uint32_t encode(app::data_sink& sink, codec::abstract_codec& codec, std::uint32_t nCount,
                         std::uint32_t& nBytes);

    std::shared_ptr<app::preset> m_preset;
    std::atomic<unsigned char> m_lock;
    ladspa::plugin_factory& m_factory;
    // Written by suspend/resume from any thread; read once per block.
    std::atomic<bool> m_bActive;
    std::uint32_t m_nBlockSize;
    app::sample_buffer m_buffer;
    byte_buffer m_bytes;
    byte_buffer m_tailInput;
    sample_tail m_tailFilter;
    sample_tail m_tailOutput;
    dtmf m_dtmf;
};

}  // namespace app

#endif
