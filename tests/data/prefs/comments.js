// comments of three kinds, and a ; and // inside strings
# hash user_pref("hashed", 1);
/* block
user_pref("hidden", 1);
*/
user_pref("a", "x; y // z"); // trailing
pref("b", 2);
sticky_pref("c", 3);
user_pref("d", 4, locked);