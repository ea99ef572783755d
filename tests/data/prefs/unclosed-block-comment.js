// an unclosed block comment
user_pref("a", 1);/* user_pref("b", 2);