-- Neovim as the language client of "regkit lsp": opens STALE_FILE, waits for
-- the stale-body diagnostic, applies the quick fix and writes the file; then
-- formats FORMAT_FILE through the server and writes it. Quits with status 0
-- when all went as it should, 1 (and a line on standard error) otherwise.
-- Environment: REGKIT (the program), STALE_FILE, FORMAT_FILE.
local timeout = 20000

local function fail(message)
  io.stderr:write("nvim_client.lua: " .. message .. "\n")
  vim.cmd("cquit")
end

local function attach(file, client_id)
  vim.cmd("edit " .. vim.fn.fnameescape(file))
  local buf = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(buf, client_id)
  return buf
end

local client_id = vim.lsp.start_client({
  name = "regkit",
  cmd = { os.getenv("REGKIT"), "lsp" },
  root_dir = vim.fn.fnamemodify(os.getenv("STALE_FILE"), ":h"),
})
if not client_id then fail("regkit lsp did not start") end

-- The quick fix.
local buf = attach(os.getenv("STALE_FILE"), client_id)
if not vim.wait(timeout, function() return #vim.diagnostic.get(buf) > 0 end, 20) then
  fail("no diagnostic came")
end
local diagnostic = vim.diagnostic.get(buf)[1]
if diagnostic.code ~= "stale-body" then fail("unexpected diagnostic " .. vim.inspect(diagnostic)) end
local client = vim.lsp.get_client_by_id(client_id)
local params = {
  textDocument = { uri = vim.uri_from_bufnr(buf) },
  range = { start = { line = diagnostic.lnum, character = 0 }, ["end"] = { line = diagnostic.lnum, character = 0 } },
  context = { diagnostics = {} },
}
local response = client.request_sync("textDocument/codeAction", params, timeout, buf)
if not response or response.err or type(response.result) ~= "table" or #response.result ~= 1 then
  fail("no code action: " .. vim.inspect(response))
end
vim.lsp.util.apply_workspace_edit(response.result[1].edit, client.offset_encoding)
vim.cmd("write")
if not vim.wait(timeout, function() return #vim.diagnostic.get(buf) == 0 end, 20) then
  fail("the diagnostic stayed after the fix")
end

-- Formatting.
buf = attach(os.getenv("FORMAT_FILE"), client_id)
if not vim.wait(timeout, function() return #vim.diagnostic.get(buf) > 0 end, 20) then
  fail("no diagnostic came for the file to format")
end
vim.lsp.buf.formatting_sync(nil, timeout)
vim.cmd("write")

vim.lsp.stop_client(client_id)
vim.cmd("qall!")
