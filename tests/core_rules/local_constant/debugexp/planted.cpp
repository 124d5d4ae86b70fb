constexpr int kNotFound = 35;
void F() { throw qlx::VbError(kNotFound); }
