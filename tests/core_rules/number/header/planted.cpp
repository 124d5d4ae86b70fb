void F() { throw qlx::VbError(9); }
