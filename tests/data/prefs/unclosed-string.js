// an unclosed string costs only its own line
user_pref("a", "never closed);
user_pref("b", "kept");