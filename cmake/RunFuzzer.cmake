# Runs one libFuzzer target for a bounded time on a fresh working corpus (plus committed seeds).
# An input that fails is kept beside the working corpus as <target>.corpus-crash-<hash> (or
# -timeout-, -leak-, -oom-), for the regression file and test it should become.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(dirs ${WORK})
if(EXISTS ${SEEDS})
  list(APPEND dirs ${SEEDS})
endif()
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -seed=1 -timeout=10 -rss_limit_mb=2048
                        -max_len=65536 -print_final_stats=1 -artifact_prefix=${WORK}- ${dirs}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer ${FUZZER} found a problem (exit ${rc}); the input is in ${WORK}-*")
endif()
