// broken escapes
user_pref("a", "\x4");user_pref("b", "\uZZZZ");user_pref("c", "\u12");user_pref("ok", "\\");