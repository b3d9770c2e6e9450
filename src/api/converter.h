// The object behind a handle of the C interface.
#ifndef VOCALITH_SRC_API_CONVERTER_H
#define VOCALITH_SRC_API_CONVERTER_H

#include <memory>
#include <string>

#include "vocalith/app/command_processor.h"
#include "vocalith/app/stream_format.h"
#include "vocalith/codec/abstract_codec.h"
#include "vocalith/codec/id.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace app {

class preset;

// Holds a plugin registry, shared with the other converters of its search
// path, and owns an engine over it and a one-entry codec cache. Destroyed in
// reverse order: codec, engine (and with it the preset), then the reference
// to the registry, which keeps the libraries of every plugin instance
// loaded while the converter lives.
class converter {
public:
    enum class source { file, text };

    // Reads the first preset from a file name or XML text for format (the
    // block size included); every later preset of this converter gets the
    // same parameters, so engine and instances always agree. Nothing is read
    // back from s_Global but the LADSPA directory. Throws app::exception
    // naming a value of format outside its range before anything is loaded.
    converter(const std::string& strPreset, source nSource, const stream_format& format);
    converter(const converter&) = delete;
    converter& operator=(const converter&) = delete;

    // The codec for a pair of identifiers, made by the codec factory only
    // when the pair differs from the previous call's. Null when the pair
    // cannot be made (also for a repeated unknown pair).
    codec::abstract_codec* get_codec(codec::id nInput, codec::id nOutput);
    // The codec of the last get_codec; null when none was made.
    codec::abstract_codec* last_codec() { return m_codec.get(); }
    // A fresh codec for the same pair: coders with state (GSM 06.10) start a
    // new stream as they started the first.
    void restart_codec();

    // Reads a whole preset; throws app::exception when it cannot be read.
    std::shared_ptr<preset> read_preset(const std::string& strPreset, source nSource);

    command_processor& engine() { return m_engine; }
    // Makes pHandler (may be empty) the engine's DTMF handler; the one it
    // replaces is destroyed after the engine let go of it.
    void set_dtmf_handler(std::unique_ptr<sigtools::dtmf_key_event> pHandler);
    const stream_format& format() const { return m_format; }

private:
    stream_format m_format;
    std::shared_ptr<ladspa::plugin_factory> m_pFactory;
    command_processor m_engine;
    codec::id m_nInputCodec;
    codec::id m_nOutputCodec;
    std::unique_ptr<codec::abstract_codec> m_codec;
    std::unique_ptr<sigtools::dtmf_key_event> m_pDtmfHandler;
};

}  // namespace app

#endif
