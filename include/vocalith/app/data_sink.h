// Receiver of an engine's output bytes.
#ifndef VOCALITH_APP_DATA_SINK_H
#define VOCALITH_APP_DATA_SINK_H

namespace app {

// Borrowed by the engine for one process or process_tail call only; its owner
// destroys it by its own type, so there is deliberately no virtual destructor.
class data_sink {
public:
    // Receives the next nSize bytes of the output stream, on the thread that
    // called process or process_tail. pData is valid only during the call.
    virtual void write(const void* pData, unsigned int nSize) = 0;

protected:
    ~data_sink() = default;
};

}  // namespace app

#endif
