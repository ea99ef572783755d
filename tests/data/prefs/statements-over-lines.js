// statements over several lines, and the later of two wins
user_pref(
  "a",
  1
);
user_pref("a", 2);