-- Neovim's built-in LSP client against qlx lsp: open a module, wait for the
-- diagnostics, ask for code actions on the procedure's row, apply "Write or
-- update the procedure header" and write the buffer. The calling script
-- compares the file with what qlx header writes.
-- Environment: QLX_BINARY, QLX_MODULE (the file to edit), QLX_ROW_LINE (0-based).
local qlx = os.getenv('QLX_BINARY')
local file = os.getenv('QLX_MODULE')
local line = tonumber(os.getenv('QLX_ROW_LINE'))

local function fail(message)
  io.stderr:write('neovim client: FAILED: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

local ok, err = pcall(function()
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  local bufnr = vim.api.nvim_get_current_buf()
  local client_id = vim.lsp.start_client({
    name = 'qlx',
    cmd = { qlx, 'lsp', '--debounce', '50' },
    root_dir = vim.fn.fnamemodify(file, ':h'),
    offset_encoding = 'utf-16',
  })
  if not client_id then return fail('the server did not start') end
  vim.lsp.buf_attach_client(bufnr, client_id)

  if not vim.wait(10000, function() return #vim.diagnostic.get(bufnr) > 0 end, 20) then
    return fail('no diagnostics arrived')
  end
  local codes = {}
  for _, d in ipairs(vim.diagnostic.get(bufnr)) do
    table.insert(codes, d.lnum .. ':' .. d.col .. ':' .. tostring(d.user_data and d.user_data.lsp and d.user_data.lsp.code or d.code))
  end
  table.sort(codes)
  local got = table.concat(codes, ' ')
  local want = line .. ':0:missing-header ' .. (line + 1) .. ':4:deb-marker'
  if got ~= want then return fail('diagnostics ' .. got .. ', expected ' .. want) end

  local params = {
    textDocument = { uri = vim.uri_from_bufnr(bufnr) },
    range = { start = { line = line, character = 0 }, ['end'] = { line = line, character = 0 } },
    context = { diagnostics = vim.lsp.diagnostic.get_line_diagnostics(bufnr, line) },
  }
  local responses = vim.lsp.buf_request_sync(bufnr, 'textDocument/codeAction', params, 10000)
  if not responses or not responses[client_id] or not responses[client_id].result then
    return fail('no code actions')
  end
  local chosen
  local titles = {}
  for _, action in ipairs(responses[client_id].result) do
    table.insert(titles, action.title)
    if action.title == 'Write or update the procedure header' then chosen = action end
  end
  if #titles ~= 5 then return fail('code actions: ' .. table.concat(titles, ', ')) end
  if not chosen or not chosen.edit then return fail('no header edit among ' .. table.concat(titles, ', ')) end
  vim.lsp.util.apply_workspace_edit(chosen.edit, 'utf-16')
  vim.cmd('write')
  vim.lsp.stop_client(client_id)
  vim.wait(2000, function() return vim.lsp.get_client_by_id(client_id) == nil end, 20)
end)
if not ok then fail(tostring(err)) end
vim.cmd('qall!')
