# Options every target of the project is compiled with.
#
# The decoder's results (impulse classes, positions in the logs) depend on the
# exact double arithmetic of its moving average and convolution, so the
# compiler must neither fuse multiply-adds nor reassociate sums.
add_compile_options(
  -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
  -ffp-contract=off
  -fno-fast-math)

if(VARNETTA_SANITIZE)
  add_compile_options(-fsanitize=${VARNETTA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VARNETTA_SANITIZE})
endif()
