// libFuzzer target for wave loading: the input as a plain image, as a sized image (the form data's
// "Data") and as a compressed frame. Everything is loaded or refused with EReadError or
// EErrorCheckingWave; what loads reports its format.
// Run as: visual_controls_wave_fuzz -max_len=4096 corpus/
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxwave.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TLuxWave wave;
    for (int form = 0; form < 3; ++form) {
        TMemoryStream source(bytes);
        try {
            if (form == 0) wave.LoadFromStream(&source);
            if (form == 1) wave.ReadData(&source);
            if (form == 2) wave.LoadCompressedFromStream(&source);
        } catch (const EReadError&) {
        } catch (const EErrorCheckingWave&) {
        }
        if (!wave.Empty()) static_cast<void>(wave.Bits() + wave.SampleRate() + wave.ChannelMode() + wave.Format());
    }
    return 0;
}
