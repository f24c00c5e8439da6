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
// A seek lands this far before its target: the first frames a decoder makes
// after a jump can be silent or rough (an MP3 frame takes bits from the frames
// before it, overlapping codecs need the block before), and are dropped.
constexpr qint64 kSeekPrerollFrames = 4 * 1152;

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

// One open file: demuxer, decoder and the converter to S16 stereo 44100, plus
// converted audio that was decoded beyond the last block handed out. Positions
// and the length count sample frames of the converted audio.
struct TAudioFile2::Decoder {
    QByteArray name; // as opened, for a fresh start
    std::string shown;
    std::string path; // shown as error messages hold it
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
    qint64 position = 0; // the frame pending starts at
    qint64 length = 0;
    // After a seek: decoded audio before target is dropped.
    bool placing = false;
    qint64 target = 0;

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

    const AVStream& audio() const { return *format->streams[stream]; }

    // Frames of the converted audio from the stream's start to ts (in the
    // stream's time base).
    qint64 framesAt(int64_t ts) const {
        const int64_t start = audio().start_time != AV_NOPTS_VALUE ? audio().start_time : 0;
        return av_rescale_q(ts - start, audio().time_base, AVRational{1, kOutputRate});
    }

    // The length the file tells: the stream's duration, else the container's.
    // A damaged header may tell anything; no audio file lasts a year.
    qint64 toldLength() const {
        constexpr qint64 kYear = qint64(kOutputRate) * 3600 * 24 * 365;
        qint64 frames = 0;
        if (audio().duration != AV_NOPTS_VALUE && audio().duration > 0)
            frames = av_rescale_q(audio().duration, audio().time_base, AVRational{1, kOutputRate});
        else if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
            frames = av_rescale(format->duration, kOutputRate, AV_TIME_BASE);
        return frames > 0 && frames < kYear ? frames : 0;
    }

    // Opens the file named by the bytes name; shown names it in errors.
    void open(const QByteArray& fileName, const std::string& shownName) {
        name = fileName;
        shown = shownName;
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
        codec->pkt_timebase = audio().time_base; // frames carry the stream's times
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
        length = toldLength();
        noteDecoded();
    }

    // The length is at least what was decoded, and exact at the end.
    void noteDecoded() {
        const qint64 decoded = position + pending.size() / kBytesPerFrame;
        length = finished ? decoded : std::max(length, decoded);
    }

    // Moves the demuxer to the last point it can reach at or a little before
    // frame to and drops what was decoded; the frames between that point and
    // to are dropped as they are decoded (placeFrame).
    void seek(qint64 to) {
        to = std::max<qint64>(to, 0);
        if (length > 0 && to >= length) {
            // At the end: nothing more to hand out, until a seek back.
            pending.clear();
            position = length;
            finished = true;
            placing = false;
            return;
        }
        const int64_t start = audio().start_time != AV_NOPTS_VALUE ? audio().start_time : 0;
        const int64_t ts = start + av_rescale_q(std::max<qint64>(to - kSeekPrerollFrames, 0),
                                                AVRational{1, kOutputRate}, audio().time_base);
        const int rc = avformat_seek_file(format, stream, INT64_MIN, ts, ts, 0);
        if (rc < 0)
            throw AudioError("Cannot move within \"" + path + "\": " + errorText(rc));
        avcodec_flush_buffers(codec);
        // The converter holds samples of the old place; a new one is set up
        // for the first frame decoded.
        swr_free(&resampler);
        av_frame_unref(frame);
        frameDone = 0;
        pending.clear();
        inputDone = false;
        finished = false;
        position = to;
        target = to;
        placing = true;
        // Decoded up to the first audio at the target now, so that the
        // position tells where the demuxer really landed.
        while ((placing || pending.isEmpty()) && !finished)
            decodeMore();
        noteDecoded();
    }

    // After a seek, for each decoded frame: false when the whole frame lies
    // before the target; otherwise skips the part of it before the target,
    // or, when the demuxer landed after the target, starts the position there.
    bool placeFrame() {
        placing = false;
        const int64_t ts = frame->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE)
            return true; // no time to go by: taken as the target
        const qint64 at = framesAt(ts);
        const qint64 frames = av_rescale(frame->nb_samples, kOutputRate, frame->sample_rate);
        if (at + frames <= target) {
            placing = true;
            return false;
        }
        if (at < target)
            frameDone = int(std::min<int64_t>(
                av_rescale(target - at, frame->sample_rate, kOutputRate), frame->nb_samples - 1));
        else
            position = at;
        return true;
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
                frame->nb_samples > 0 && frame->ch_layout.nb_channels > 0 &&
                (!placing || placeFrame())) {
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
        position += count / kBytesPerFrame;
        noteDecoded();
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

qint64 TAudioFile2::Length() const {
    return decoder_ ? decoder_->length : 0;
}

qint64 TAudioFile2::Position() const {
    return decoder_ ? decoder_->position : 0;
}

// Near the start a fresh decoder is exact for every format, where a jump
// lands wherever the container's times say the first frames are.
void TAudioFile2::Seek(qint64 frame) {
    if (!decoder_)
        return;
    if (frame > kSeekPrerollFrames) {
        decoder_->seek(frame);
        return;
    }
    auto fresh = std::make_unique<Decoder>();
    fresh->open(decoder_->name, decoder_->shown);
    if (decoder_->finished)
        fresh->length = decoder_->length; // learnt at the end, better than told
    fresh->read(int(std::max<qint64>(frame, 0)));
    decoder_ = std::move(fresh);
}

void TAudioFile2::Close() {
    decoder_.reset();
}
