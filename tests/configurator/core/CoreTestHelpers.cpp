// Shared helpers of the core suites live here (see CoreTestHelpers.h).
