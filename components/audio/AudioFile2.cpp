#include "components/audio/AudioFile2.h"

#include <QFile>
#include <algorithm>
#include <mutex>
#include <sys/stat.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kBytesPerFrame = kOutputChannels * 2;
// The largest block one read hands out (about 24 s); bounds the allocation.
constexpr int kMaxBlockFrames = 1 << 20;
constexpr int kMinInputRate = 1000;
constexpr int kMaxInputRate = 768000;
// Input samples converted at a time (at most about 1.4 MB of output).
constexpr int kSliceSamples = 8192;

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

// One open file: demuxer, decoder and the converter to S16 stereo 44100, plus
// converted audio that was decoded beyond the last block handed out.
struct TAudioFile2::Decoder {
    std::string path;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    bool inputDone = false;
    bool finished = false;
    // The input format the resampler is set up for.
    AVChannelLayout inLayout{};
    int inRate = 0;
    int inFormat = -1;
    int frameDone = 0; // samples of frame converted so far
    QByteArray pending;

    ~Decoder() {
        av_channel_layout_uninit(&inLayout);
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    [[noreturn]] void fail(const std::string& reason) const {
        throw AudioError("Cannot play \"" + path + "\": " + reason);
    }

    // Opens the file named by the bytes name; shown names it in errors.
    void open(const QByteArray& name, const std::string& shown) {
        path = shown;
        std::replace(path.begin(), path.end(), '\0', '?'); // keeps what() whole
        // The "file:" prefix keeps names with a colon from being taken as a
        // protocol; the white list keeps playlists from reaching anything else.
        // A name cut short by a zero byte would name another file.
        if (name.contains('\0'))
            fail("not a valid file name");
        // Only regular files: a named pipe would block the open, a device
        // would never end.
        struct stat info {};
        if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            fail("not a regular file");
        const QByteArray url = "file:" + name;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        int rc = avformat_open_input(&format, url.constData(), nullptr, &options);
        av_dict_free(&options);
        if (rc < 0)
            fail(errorText(rc));
        rc = avformat_find_stream_info(format, nullptr);
        if (rc < 0)
            fail(errorText(rc));
        const AVCodec* decoder = nullptr;
        stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (stream == AVERROR_DECODER_NOT_FOUND || (stream >= 0 && !decoder))
            fail("no decoder for this kind of audio");
        if (stream < 0)
            fail("the file holds no audio");
        codec = avcodec_alloc_context3(decoder);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!codec || !packet || !frame)
            fail("out of memory");
        rc = avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
        if (rc >= 0)
            rc = avcodec_open2(codec, decoder, nullptr);
        if (rc < 0)
            fail(errorText(rc));
        // Decode up to the first audio now, so that a file that opens but
        // does not decode is reported here rather than played as silence.
        while (pending.isEmpty() && !finished)
            decodeMore();
        if (pending.isEmpty())
            fail("no audio could be decoded");
    }

    // Sets the converter up for the input format of frame, when it differs
    // from the one it was set up for.
    void configureFor(const AVFrame& in) {
        AVChannelLayout layout{};
        if (in.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || in.ch_layout.nb_channels <= 0)
            av_channel_layout_default(&layout, std::max(in.ch_layout.nb_channels, 1));
        else
            av_channel_layout_copy(&layout, &in.ch_layout);
        if (resampler && in.sample_rate == inRate && in.format == inFormat &&
            av_channel_layout_compare(&layout, &inLayout) == 0) {
            av_channel_layout_uninit(&layout);
            return;
        }
        swr_free(&resampler);
        av_channel_layout_uninit(&inLayout);
        inLayout = layout;
        inRate = in.sample_rate;
        inFormat = in.format;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        int rc = swr_alloc_set_opts2(&resampler, &stereo, AV_SAMPLE_FMT_S16, kOutputRate, &inLayout,
                                     static_cast<AVSampleFormat>(inFormat), inRate, 0, nullptr);
        // A mono file plays at its own level on both channels, not 3 dB down.
        if (rc >= 0 && inLayout.nb_channels == 1) {
            const double toBoth[2] = {1.0, 1.0}; // one row per output channel
            rc = swr_set_matrix(resampler, toBoth, 1);
        }
        if (rc >= 0)
            rc = swr_init(resampler);
        if (rc < 0)
            fail("cannot convert the audio: " + errorText(rc));
    }

    // Converts count input samples (none: drains the converter) into pending.
    void convert(const uint8_t** input, int count) {
        if (!resampler)
            return;
        const int room = swr_get_out_samples(resampler, count);
        if (room <= 0)
            return;
        const qsizetype old = pending.size();
        pending.resize(old + qsizetype(room) * kBytesPerFrame);
        uint8_t* out = reinterpret_cast<uint8_t*>(pending.data() + old);
        const int made = swr_convert(resampler, &out, room, input, count);
        pending.resize(old + qsizetype(std::max(made, 0)) * kBytesPerFrame);
    }

    // Converts the next slice of the decoded frame. A frame may be huge (one
    // packet can hold minutes of audio), so it is converted a slice at a
    // time, each only when the block being read needs it.
    void convertSlice() {
        const int count = std::min(kSliceSamples, frame->nb_samples - frameDone);
        const auto sampleFormat = static_cast<AVSampleFormat>(frame->format);
        const bool planar = av_sample_fmt_is_planar(sampleFormat);
        const int channels = frame->ch_layout.nb_channels;
        const size_t step =
            size_t(av_get_bytes_per_sample(sampleFormat)) * size_t(planar ? 1 : channels);
        std::vector<const uint8_t*> planes(planar ? size_t(channels) : 1);
        for (size_t i = 0; i < planes.size(); ++i)
            planes[i] = frame->extended_data[i] + size_t(frameDone) * step;
        convert(planes.data(), count);
        frameDone += count;
    }

    // One step of decoding: converts one decoded frame, or feeds the decoder
    // one packet, or finishes at the end of the file.
    void decodeMore() {
        if (frameDone < frame->nb_samples) {
            convertSlice();
            return;
        }
        int rc = avcodec_receive_frame(codec, frame);
        if (rc >= 0) {
            frameDone = 0;
            // Rates outside what audio files use would only blow the
            // converted size up (or down to nothing): such frames are skipped.
            if (frame->sample_rate >= kMinInputRate && frame->sample_rate <= kMaxInputRate &&
                frame->nb_samples > 0 && frame->ch_layout.nb_channels > 0) {
                configureFor(*frame);
                convertSlice();
            } else {
                av_frame_unref(frame);
            }
            return;
        }
        if (rc == AVERROR_EOF) {
            convert(nullptr, 0);
            finished = true;
            return;
        }
        // Otherwise the decoder wants input (or dropped a damaged stretch).
        if (inputDone) {
            // The decoder wants input after the flush: nothing more will come.
            convert(nullptr, 0);
            finished = true;
            return;
        }
        rc = av_read_frame(format, packet);
        if (rc < 0) {
            inputDone = true;
            avcodec_send_packet(codec, nullptr);
            return;
        }
        if (packet->stream_index == stream)
            avcodec_send_packet(codec, packet); // damaged packets are skipped
        av_packet_unref(packet);
    }

    AudioBlock read(int frames) {
        const qsizetype wanted = qsizetype(std::min(frames, kMaxBlockFrames)) * kBytesPerFrame;
        while (pending.size() < wanted && !finished)
            decodeMore();
        const qsizetype count = std::min(wanted, pending.size());
        AudioBlock block = pending.left(count);
        pending.remove(0, count);
        return block;
    }
};

TAudioFile2::TAudioFile2(QObject* parent) : QObject(parent) {
    // The components report failures themselves; FFmpeg's own log stays quiet.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

TAudioFile2::~TAudioFile2() = default;

// The decoder has no options; -1 keeps the defaults.
void TAudioFile2::SetOption(int) {}

bool TAudioFile2::IsOpen() const {
    return decoder_ != nullptr;
}

void TAudioFile2::Open(const QString& path, int, int) {
    Close();
    auto decoder = std::make_unique<Decoder>();
    decoder->open(QFile::encodeName(path), path.toStdString());
    decoder_ = std::move(decoder);
}

void TAudioFile2::Open(const std::string& path, int, int) {
    Close();
    auto decoder = std::make_unique<Decoder>();
    decoder->open(QByteArray::fromStdString(path), QString::fromStdString(path).toStdString());
    decoder_ = std::move(decoder);
}

int TAudioFile2::FormatValue1() const {
    return kOutputRate;
}

int TAudioFile2::FormatValue2() const {
    return kOutputChannels;
}

AudioBlock TAudioFile2::ReadBlock(int frames) {
    if (!decoder_ || frames <= 0)
        return {};
    return decoder_->read(frames);
}

void TAudioFile2::Close() {
    decoder_.reset();
}
