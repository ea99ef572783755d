// an unclosed string at the end of the file
user_pref("a", 1);user_pref("b", "never closed);