// Decodes a sound file with libsndfile alone and writes "rate channels frames" and then the
// interleaved 16-bit samples to a file, so that the deck test reads clips and recordings with
// nothing of the program's own in between.
#include <cstdio>
#include <sndfile.h>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: soundsamples SOUND OUT\n");
        return 2;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(argv[1], SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "%s\n", sf_strerror(nullptr));
        return 1;
    }
    std::vector<short> samples(size_t(info.frames) * size_t(info.channels));
    const sf_count_t got = sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        return 1;
    }
    std::fprintf(out, "%d %d %lld\n", info.samplerate, info.channels, static_cast<long long>(got));
    std::fwrite(samples.data(), sizeof(short), size_t(got) * size_t(info.channels), out);
    return std::fclose(out) == 0 ? 0 : 1;
}
