#!/bin/sh
# Short runs that check what a benchmark measures, not how fast: run by CTest.
#   check_measures.sh channel_tick_screen <bench_channel_tick>
#     the recording tick measures on the 1920x1080 screen it names, whatever the caller set
#   check_measures.sh file_open_frees <bench_file_open> [limit MB]
#     the file opening deletes the windows it closes (it fails a case that leaves one) and
#     its process stays under the limit (500 MB unless given)
#   check_measures.sh one_repetition <bench_datafile>
#     a verdict drawn from one repetition is no verdict
check=$1
bench=$2
case $check in
  channel_tick_screen)
    out=$("$bench" --benchmark_filter='^no_such_case$' 2>&1)
    echo "$out"
    echo "$out" | grep -q '^screen 1920x1080$'
    ;;
  file_open_frees)
    out=$("$bench" --benchmark_filter=OpenIntoViewWindow --benchmark_repetitions=2 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    if echo "$out" | grep -q 'ERROR OCCURRED'; then exit 1; fi
    echo "$out" | awk -v limit="${3:-500}" \
      '/^peak memory/ { found = 1; if ($(NF - 1) + 0 > limit + 0) bad = 1 } END { exit !(found && !bad) }'
    ;;
  one_repetition)
    out=$("$bench" '--benchmark_filter=BM_Write_Build|BM_Baseline_ToChars' --benchmark_repetitions=1 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    echo "$out" | grep -q '^build / to_chars loop .*not judged: .* ran 1 repetition'
    ;;
  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
