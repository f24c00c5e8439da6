#!/bin/sh
# A private PulseAudio server with a null sink, for the real-output test.
#   pulse-null-sink.sh start DIR [PID]
#                                  starts it with DIR as its runtime and home
#                                  folder; exit status 77 when pulseaudio is
#                                  not installed. With PID, the server is also
#                                  stopped once that process has gone, should
#                                  it end without stopping it.
#   pulse-null-sink.sh stop DIR    stops it
# The sink is "velmora_test" (44100 Hz, stereo); its monitor records it.
set -u
command=$1
dir=$2
export XDG_RUNTIME_DIR="$dir" HOME="$dir" PULSE_SERVER="unix:$dir/pulse/native"

case "$command" in
start)
    command -v pulseaudio >/dev/null 2>&1 || { echo "pulseaudio is not installed"; exit 77; }
    command -v pactl >/dev/null 2>&1 || { echo "pactl is not installed"; exit 77; }
    pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit --use-pid-file=yes \
        --log-target=file:"$dir/pulse.log" \
        --load="module-null-sink sink_name=velmora_test rate=44100 channels=2" \
        --load="module-native-protocol-unix auth-anonymous=1" || {
        cat "$dir/pulse.log" 2>/dev/null
        exit 1
    }
    for _ in $(seq 100); do
        if pactl set-default-sink velmora_test >/dev/null 2>&1; then
            if [ -n "${3:-}" ]; then
                (
                    while kill -0 "$3" 2>/dev/null && [ -e "$dir/pulse/pid" ]; do sleep 1; done
                    pulseaudio --kill >/dev/null 2>&1
                ) </dev/null >/dev/null 2>&1 &
            fi
            exit 0
        fi
        sleep 0.1
    done
    echo "the server did not answer"
    cat "$dir/pulse.log" 2>/dev/null
    exit 1
    ;;
stop)
    pulseaudio --kill >/dev/null 2>&1
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 || exit 0
        sleep 0.1
    done
    exit 0
    ;;
esac
echo "usage: $0 start|stop DIR"
exit 2
