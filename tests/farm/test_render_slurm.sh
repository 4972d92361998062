#!/usr/bin/env bash
# The Slurm render script against a single render of the same frames: the
# joined video must hold exactly the frames one quenvar-render run writes.
#   test_render_slurm.sh steps   RENDER_TOOL SOURCE_DIR   runs the script's chunk
#                                                         and join steps by hand
#   test_render_slurm.sh cluster RENDER_TOOL SOURCE_DIR   submits it to a one-node
#                                                         cluster started here
# Exit 77 (skipped) when the cluster cannot be started on this machine.
set -euo pipefail
mode=$1
tool=$(realpath "$2")
source_dir=$(realpath "$3")
script="$source_dir/examples/render-slurm.sh"
project="$source_dir/examples/demo.zyl"
frames=40 chunk=12 fps=25
work=$(mktemp -d /tmp/quenvar-farm.XXXXXX)
chmod 755 "$work"
export QUENVAR_RENDER=$tool

cleanup() {
  [ "$mode" = cluster ] && cluster_stop
  rm -rf "$work"
}
trap cleanup EXIT

# One line per decoded frame: its checksum.
frame_sums() {
  ffmpeg -hide_banner -loglevel error -nostdin -i "$1" -map 0:v -f framemd5 - | grep -v '^#' |
    awk -F, '{print $NF}'
}

"$tool" "$project" --frames "$frames" --fps "$fps" --quiet --video "$work/single.mkv"

case "$mode" in
  steps)
    mkdir -p "$work/out.chunks"
    tasks=$(((frames + chunk - 1) / chunk))
    for ((i = 0; i < tasks; i++)); do
      "$script" --chunk "$project" "$frames" "$chunk" "$work/out.chunks" "$fps" "$i"
    done
    "$script" --join "$work/out.chunks" "$tasks" "$work/out.mkv"
    ;;
  cluster)
    if [ "$(id -u)" -ne 0 ] || ! command -v slurmctld >/dev/null || ! command -v munged >/dev/null
    then
      echo "skipped: the cluster test needs root, slurmctld and munged"
      exit 77
    fi
    source "$source_dir/tests/farm/slurmcluster.sh"
    if ! cluster_start "$work/cluster"; then
      echo "skipped: the Slurm daemons did not start here; their logs:"
      tail -n 20 "$work"/cluster/log/*.log || true
      exit 77
    fi
    RENDER_WAIT=1 "$script" "$project" "$frames" "$chunk" "$work/out.mkv" "$fps"
    [ "$(ls "$work"/out.chunks/chunk-*.mkv | wc -l)" -eq 4 ] || { echo "expected 4 chunks"; exit 1; }
    ;;
  *) echo "usage: test_render_slurm.sh steps|cluster RENDER_TOOL SOURCE_DIR" >&2; exit 2 ;;
esac

[ -f "$work/out.mkv" ] || { echo "no joined video"; exit 1; }
probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
  stream=codec_name,width,height,r_frame_rate,nb_read_frames -of compact=p=0 "$work/out.mkv")
expected="codec_name=ffv1|width=768|height=576|r_frame_rate=25/1|nb_read_frames=$frames"
[ "$probe" = "$expected" ] || { echo "joined video: $probe, expected $expected"; exit 1; }
if ! diff <(frame_sums "$work/single.mkv") <(frame_sums "$work/out.mkv") >"$work/diff.txt"; then
  echo "the joined frames differ from a single render:"
  head "$work/diff.txt"
  exit 1
fi
[ "$(frame_sums "$work/out.mkv" | sort -u | wc -l)" -gt 1 ] || { echo "frames do not move"; exit 1; }
echo "ok: $frames frames joined from chunks of $chunk equal a single render"
