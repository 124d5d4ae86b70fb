-- Neovim's default reading of a Shift-JIS module (Latin-1, as it is not
-- UTF-8): qlx lsp publishes one `encoding` diagnostic and offers no code
-- action. Environment: QLX_BINARY, QLX_MODULE (a CP932 file), QLX_ROW_LINE
-- (0-based line of a procedure).
local qlx = os.getenv('QLX_BINARY')
local file = os.getenv('QLX_MODULE')
local line = tonumber(os.getenv('QLX_ROW_LINE'))

local function fail(message)
  io.stderr:write('neovim encoding: FAILED: ' .. message .. '\n')
  vim.cmd('cquit 1')
end

local ok, err = pcall(function()
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  local bufnr = vim.api.nvim_get_current_buf()
  if vim.bo.fileencoding ~= 'latin1' then return fail('read as ' .. vim.bo.fileencoding .. ', not latin1') end
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
  local diagnostics = vim.diagnostic.get(bufnr)
  local first = diagnostics[1]
  local code = first.user_data and first.user_data.lsp and first.user_data.lsp.code or first.code
  if #diagnostics ~= 1 or code ~= 'encoding' then
    return fail(#diagnostics .. ' diagnostics, the first ' .. tostring(code) .. ': ' .. first.message)
  end
  if not first.message:find('++enc=cp932', 1, true) then return fail('the message says no way out: ' .. first.message) end

  local params = {
    textDocument = { uri = vim.uri_from_bufnr(bufnr) },
    range = { start = { line = line, character = 0 }, ['end'] = { line = line, character = 0 } },
    context = { diagnostics = {} },
  }
  local responses = vim.lsp.buf_request_sync(bufnr, 'textDocument/codeAction', params, 10000)
  if not responses or not responses[client_id] then return fail('no answer to the code action request') end
  local actions = responses[client_id].result or {}
  if #actions ~= 0 then return fail(#actions .. ' code actions offered') end
  vim.lsp.stop_client(client_id)
  vim.wait(2000, function() return vim.lsp.get_client_by_id(client_id) == nil end, 20)
end)
if not ok then fail(tostring(err)) end
vim.cmd('qall!')
