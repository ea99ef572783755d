// escapes in double and single quotes
user_pref("q", "say \"hi\" \\ back");
user_pref('s', 'it\'s');
user_pref("c", "a\nb\tc\rd");
user_pref("x", "\x41\x7e\xe9");
user_pref("u", "\u00e9\u20AC");
user_pref("pair", "\ud83d\ude00");
user_pref("lone", "\ud83dx\ude00");
user_pref("other", "\q");
