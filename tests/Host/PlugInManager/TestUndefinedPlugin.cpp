// A plug-in that needs a symbol no library defines, so the loader refuses it.
extern "C" int vantorel_test_symbol_nobody_defines(int);

extern "C" int vantorel_test_uses_missing_symbol(int v) { return vantorel_test_symbol_nobody_defines(v) + 1; }
