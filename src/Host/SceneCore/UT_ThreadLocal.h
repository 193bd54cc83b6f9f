#pragma once
// A per-thread variable of the host's libraries read on every frame (the edit counter, the
// port pools, the request depth). Reached the initial-exec way: one load from the thread
// pointer instead of a call into the dynamic loader each time. That takes a few bytes of the
// static TLS block, which the loader keeps room for even when the libraries come in through
// dlopen (the Python module): keep what is declared this way small.
#define UT_THREAD_LOCAL thread_local __attribute__((tls_model("initial-exec")))
