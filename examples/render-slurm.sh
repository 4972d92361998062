#!/usr/bin/env bash
# Renders a Quenvar project on a Slurm cluster: an array job renders the
# frames in chunks, each chunk into a lossless .mkv, and a job that waits for
# all of them joins the chunks in order into one video without re-encoding.
#
#   render-slurm.sh PROJECT.zyl FRAMES CHUNK OUT.mkv [FPS]
#
# The project and OUT's folder must be on storage every node sees. The chunks
# and their logs go into OUT.chunks/ beside the video, which is left for
# inspection. Environment:
#   QUENVAR_RENDER  the render tool (default: quenvar-render on the PATH)
#   SBATCH_EXTRA    more sbatch options for both jobs (partition, account, ...)
#   RENDER_WAIT=1   wait until the joined video is written
#
# The steps a job runs can also be run by hand:
#   render-slurm.sh --chunk PROJECT.zyl FRAMES CHUNK WORKDIR FPS INDEX
#   render-slurm.sh --join WORKDIR TASKS OUT.mkv
set -euo pipefail

die() { echo "render-slurm: $*" >&2; exit 1; }
render_tool() { echo "${QUENVAR_RENDER:-$(command -v quenvar-render || echo quenvar-render)}"; }
chunk_file() { printf '%s/chunk-%05d.mkv' "$1" "$2"; }

# Renders chunk INDEX: frames INDEX*CHUNK+1 onwards, at most CHUNK of them.
render_chunk() {
  local project=$1 frames=$2 chunk=$3 work=$4 fps=$5 index=$6
  local start=$((index * chunk + 1))
  local count=$((frames - index * chunk))
  [ "$count" -gt "$chunk" ] && count=$chunk
  [ "$count" -ge 1 ] || die "chunk $index lies past frame $frames"
  "$(render_tool)" "$project" --start "$start" --frames "$count" --fps "$fps" --quiet \
    --video "$(chunk_file "$work" "$index")"
}

# Joins chunks 0..TASKS-1 into OUT; the video appears only when complete.
join_chunks() {
  local work=$1 tasks=$2 out=$3 list="$1/chunks.txt"
  : >"$list"
  for ((i = 0; i < tasks; i++)); do
    local file
    file=$(chunk_file "$work" "$i")
    [ -s "$file" ] || die "chunk $i ($file) is missing"
    echo "file '$file'" >>"$list"
  done
  local part="$out.part-$$.mkv"
  if ! ffmpeg -hide_banner -loglevel error -nostdin -y -f concat -safe 0 -i "$list" -c copy \
    "$part"; then
    rm -f "$part"
    die "joining the chunks failed"
  fi
  mv -f "$part" "$out"
  echo "render-slurm: joined $tasks chunks into $out"
}

case "${1:-}" in
  --chunk) shift; render_chunk "$@"; exit ;;
  --join) shift; join_chunks "$@"; exit ;;
esac

[ $# -ge 4 ] && [ $# -le 5 ] || die "usage: render-slurm.sh PROJECT.zyl FRAMES CHUNK OUT.mkv [FPS]"
project=$(realpath "$1")
frames=$2 chunk=$3 fps=${5:-27}
out=$(realpath -m "$4")
[ -f "$project" ] || die "$1 is not a file"
[[ "$frames" =~ ^[1-9][0-9]*$ && "$chunk" =~ ^[1-9][0-9]*$ ]] || die "FRAMES and CHUNK are counts from 1"
[[ "$out" == *.mkv ]] || die "OUT must be an .mkv file: the chunks join losslessly only as FFV1"
command -v sbatch >/dev/null || die "sbatch is not on the PATH"

tasks=$(((frames + chunk - 1) / chunk))
work="${out%.mkv}.chunks"
mkdir -p "$work"
self=$(realpath "$0")
read -r -a extra <<<"${SBATCH_EXTRA:-}"
export QUENVAR_RENDER="$(realpath "$(render_tool)")"

render_job=$(sbatch --parsable "${extra[@]}" --job-name=quenvar-render \
  --array="0-$((tasks - 1))" --output="$work/render-%a.log" --export=ALL \
  --wrap="'$self' --chunk '$project' $frames $chunk '$work' $fps \$SLURM_ARRAY_TASK_ID")
render_job=${render_job%%;*}
wait_flag=()
[ "${RENDER_WAIT:-0}" = 1 ] && wait_flag=(--wait)
join_job=$(sbatch --parsable "${extra[@]}" "${wait_flag[@]}" --job-name=quenvar-join \
  --dependency="afterok:$render_job" --kill-on-invalid-dep=yes --output="$work/join.log" \
  --export=ALL --wrap="'$self' --join '$work' $tasks '$out'")
echo "render-slurm: $tasks render tasks in job $render_job, joined by job ${join_job%%;*}"
