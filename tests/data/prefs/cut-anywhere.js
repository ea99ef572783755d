// read whole, and cut short at every byte by the cut test
user_pref("a", "\u00e9\"x");
/* c */ user_pref("b", -12);
# c
user_pref('c', true);
user_pref("d", "\ud83d\ude00");
