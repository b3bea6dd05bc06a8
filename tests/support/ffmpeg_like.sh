#!/usr/bin/env bash
# A stand-in for newer converters, made of the system's ffmpeg (5.1 on Debian 12), for the
# ways of writing a turn that the system's own ffmpeg does not have:
#   FFMPEG_LIKE=6  lists -display_rotation among its options and takes it before an input, as
#                  ffmpeg 6.0 and later do: the input is then listed, and copied, with that turn
#   FFMPEG_LIKE=7  lists no such option and ignores the "rotate" tag, as ffmpeg 7 does
# Anything else goes to ffmpeg as it is.
set -u
real=${FFMPEG_LIKE_REAL:-ffmpeg}

if [[ $* == *"-h full"* ]]; then
    "$real" "$@"
    status=$?
    if [[ ${FFMPEG_LIKE:-} == 6 ]]; then
        echo "-display_rotation <float> .D.V....... set pure counter-clockwise rotation in degrees for stream(s)"
    fi
    exit $status
fi

if [[ ${FFMPEG_LIKE:-} == 6 && ${1:-} == -display_rotation:v:0 && ${3:-} == -i ]]; then
    turn=$2
    input=$4
    shift 4
    turned=$(mktemp --suffix=.mov)
    trap 'rm -f "$turned"' EXIT
    "$real" -nostdin -loglevel error -i "$input" -map 0 -c copy -map_metadata 0 \
        -metadata:s:v:0 rotate="$turn" -y "$turned" || exit 1
    "$real" -i "$turned" "$@"
    exit $?
fi

if [[ ${FFMPEG_LIKE:-} == 7 ]]; then
    kept=()
    while (($#)); do
        if [[ $1 == -metadata:s:v:0 && ${2:-} == rotate=* ]]; then
            shift 2
            continue
        fi
        kept+=("$1")
        shift
    done
    exec "$real" "${kept[@]}"
fi
exec "$real" "$@"
