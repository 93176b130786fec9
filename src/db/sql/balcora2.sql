-- Balcora PDV - later changes to the data model.
--
-- balcora1.sql and this file share cfg.seqatual, so the blocks here are
-- numbered from 1001 up, above every block of balcora1.sql. Add a new block
-- for each change; never renumber or edit a block that has shipped. Each
-- block is one batch and must be safe to run again.

--SEQ 1001 describe the bookkeeping table
COMMENT ON TABLE balcora.cfg IS 'Schema scripts applied: last block (seqatual) and the stamp of each script file (dataatual1, dataatual2).';
--RUN--
