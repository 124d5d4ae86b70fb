bool Missing(const qlx::VbError& e) { return e.Number() == 35; }
