# Unpacks the system's package afresh: cmake -DZIP=<zip> -DTO=<folder> -P unzip.cmake
file(REMOVE_RECURSE ${TO})
file(MAKE_DIRECTORY ${TO})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${TO})
